#pragma once

#include <QList>
#include <QString>

#include <optional>

#include "image_check.h"
#include "link_settings.h"

// One controller to reach, as the command line or a targets file names it.
struct Target {
    QString given;  // exactly as given: the name it is reported under
    QString label;
    LinkSettings link;
    QString key;  // the same controller, however it was written
};

enum class CliCommand {
    Identify,
    SetClock,
    Alarm,
    Factory,
    Reboot,
    Dido,
    Poll,
    Send,
    Module,
    Upgrade
};

// What one run of the program is asked to do, checked before anything is sent.
struct CliRequest {
    CliCommand command = CliCommand::Identify;
    QString commandName;
    int alarm = 0;
    QString outputs = QStringLiteral("0000");  // DO1 first
    int cycles = 1;                            // dido cycles or poll count
    QString text;                              // send, module
    int moduleRow = 0;
    QString moduleAddress;
    QString image;
    std::optional<ImageFacts> imageFacts;  // as checked before anything was sent
    bool thenIdentify = false;
    QList<Target> targets;
    int jobs = 0;  // 0: all, up to kDefaultJobs
    bool json = false;
    QString report;
    bool yes = false;
};

// Targets at once: all up to kDefaultJobs unless --jobs says otherwise, never more than kMaxJobs.
inline constexpr int kDefaultJobs = 64;
inline constexpr int kMaxJobs = 256;
