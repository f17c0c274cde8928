#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>

#include "cli_request.h"

// One row per target, CSV or JSON by the file's extension, written whole or not at all (a
// temporary file renamed into place). False and a reason when it cannot be written.
bool WriteReport(const CliRequest& request, const QList<QJsonObject>& results, QString* error);

// Whether the report path names a file the report can go to: a .csv or .json name in a folder
// that exists. Empty when it does; else one line naming it.
QString CheckReportPath(const QString& path);
