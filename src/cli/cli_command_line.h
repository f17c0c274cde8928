#pragma once

#include <QString>
#include <QStringList>

#include <optional>

#include "cli_request.h"

// The command line, read and checked before anything is sent: nullopt with one line naming the
// bad input in *error, or with *help filled for --help.
std::optional<CliRequest> ParseCliCommandLine(const QStringList& args, QString* error,
                                              QString* help);
