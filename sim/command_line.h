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
    bool help = false;
};

// Parses the arguments after the program name; nullopt and an error text on bad input.
std::optional<SimCommandLine> ParseCommandLine(const QStringList& args, QString* error);
QString HelpText();

}  // namespace sim
