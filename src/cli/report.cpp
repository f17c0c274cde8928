#include "report.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>

#include <array>

namespace {

// The columns, in order; each is also the row's key in the JSON report.
constexpr std::array kColumns = {
    "target", "label",      "device_id",    "serial_number", "version",         "version_after",
    "image",  "image_size", "image_sha256", "blocks",        "program_retries", "verify_retries",
    "code",   "block",      "start_time",   "seconds",       "reason",
};

bool IsJson(const QString& path) {
    return path.endsWith(QLatin1String(".json"), Qt::CaseInsensitive);
}

QJsonObject Row(const Target& target, const std::optional<ImageFacts>& image,
                const QJsonObject& result) {
    QJsonObject row;
    for (const char* column : kColumns) {
        row.insert(QLatin1String(column), result.value(QLatin1String(column)));
    }
    row.insert(QStringLiteral("target"), target.given);
    row.insert(QStringLiteral("label"), target.label);
    if (image) {
        row.insert(QStringLiteral("image"), image->fileName);
        row.insert(QStringLiteral("image_size"), image->size);
        row.insert(QStringLiteral("image_sha256"), image->sha256);
    }
    return row;
}

QString CsvField(const QJsonValue& value) {
    QString text = value.isDouble() ? QString::number(value.toDouble())
                   : value.isBool() ? QString::fromLatin1(value.toBool() ? "true" : "false")
                                    : value.toString();
    if (text.contains(QLatin1Char(',')) || text.contains(QLatin1Char('"')) ||
        text.contains(QLatin1Char('\n'))) {
        text = QLatin1Char('"') + text.replace(QLatin1Char('"'), QStringLiteral("\"\"")) +
               QLatin1Char('"');
    }
    return text;
}

QByteArray Csv(const QList<QJsonObject>& rows) {
    QStringList lines;
    QStringList header;
    for (const char* column : kColumns) {
        header << QLatin1String(column);
    }
    lines << header.join(QLatin1Char(','));
    for (const QJsonObject& row : rows) {
        QStringList fields;
        for (const char* column : kColumns) {
            fields << CsvField(row.value(QLatin1String(column)));
        }
        lines << fields.join(QLatin1Char(','));
    }
    return (lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8();
}

QByteArray Json(const CliRequest& request, const QList<QJsonObject>& rows) {
    QJsonArray array;
    for (const QJsonObject& row : rows) {
        array.append(row);
    }
    const QJsonObject report{{"schema", 1}, {"command", request.commandName}, {"targets", array}};
    return QJsonDocument(report).toJson(QJsonDocument::Indented);
}

}  // namespace

bool WriteReport(const CliRequest& request, const QList<QJsonObject>& results, QString* error) {
    QList<QJsonObject> rows;
    for (int k = 0; k < results.size(); ++k) {
        rows << Row(request.targets[k], request.imageFacts, results[k]);
    }
    const QByteArray bytes = IsJson(request.report) ? Json(request, rows) : Csv(rows);
    QSaveFile file(request.report);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        *error =
            QStringLiteral("report '%1' not written: %2").arg(request.report, file.errorString());
        return false;
    }
    return true;
}

QString CheckReportPath(const QString& path) {
    const bool known = IsJson(path) || path.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive);
    if (!known) {
        return QStringLiteral("report '%1': the name must end in .csv or .json").arg(path);
    }
    const QFileInfo info(path);
    if (!info.absoluteDir().exists()) {
        return QStringLiteral("report '%1': the folder '%2' does not exist")
            .arg(path, QDir::toNativeSeparators(info.absolutePath()));
    }
    if (info.isDir()) {
        return QStringLiteral("report '%1' is a folder").arg(path);
    }
    return {};
}
