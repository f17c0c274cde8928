#pragma once

#include <QString>
#include <QStringList>

#include "cli_request.h"

// Completes the request from what the command line gave as text (targets, the module type, the
// alarm) and checks everything that can be checked before anything is sent. False and one line
// naming the bad input otherwise.
bool CheckRequest(CliRequest& request, const QStringList& targets, const QString& targetsFile,
                  const QString& moduleType, const QString& alarm, QString* error);

// The alarm list's index of an alarm given as its position or its English name; -1 for neither.
int AlarmIndexOf(const QString& text);
// The module list's row of a module type given as its row or its model name; -1 for neither.
int ModuleRowOf(const QString& text);
