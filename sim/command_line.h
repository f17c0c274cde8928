#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <string>

#include "sim_server.h"

namespace sim {

// What the command line asks of the simulator.
struct SimCommandLine {
    SimOptions options;
    std::optional<std::string> deviceId;
    std::optional<std::string> version;
    std::optional<std::string> serialNumber;
    std::optional<std::string> inputs;  // eight characters "0" or "1", DI1 first
    int records = 0;                    // sample records queued at start
    QString makeImage;                  // write a sample firmware image here and exit
    int imageBlocks = 124;
    bool help = false;
};

// A device ID or serial number counted up by `step` for the controller that many after the
// first: decimal digits keep their width. Nullopt when the text is not all digits or overflows.
std::optional<std::string> CountedUp(const std::string& text, int step);

// Parses the arguments after the program name; nullopt and an error text on bad input.
std::optional<SimCommandLine> ParseCommandLine(const QStringList& args, QString* error);
QString HelpText();

}  // namespace sim
