#include "targets.h"

#include <QFile>
#include <QRegularExpression>

#include "settings_key.h"
#include "settings_store.h"
#include "speed_string.h"
#include "tcp_transport.h"

namespace {

constexpr auto kDefaultTcpPort = "5003";
constexpr auto kDefaultSpeed = "19200,e,8,1";

std::optional<Target> Fail(QString* error, const QString& text, const QString& why) {
    *error = QStringLiteral("target '%1': %2").arg(text, why);
    return std::nullopt;
}

// Decimal digits only, 1 to 65535.
std::optional<int> PortNumber(const QString& text) {
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,5}$"));
    if (!digits.match(text).hasMatch() || text.toInt() < 1 || text.toInt() > 65535) {
        return std::nullopt;
    }
    return text.toInt();
}

std::optional<Target> ParseTcp(const QString& text, const QString& rest, QString* error) {
    const qsizetype colon = rest.indexOf(QLatin1Char(':'));
    const QString host = colon < 0 ? rest : rest.left(colon);
    const QString portText = colon < 0 ? QString::fromLatin1(kDefaultTcpPort) : rest.mid(colon + 1);
    const auto address = ParseDottedQuad(host);
    if (!address) {
        return Fail(error, text, QStringLiteral("host '%1' is not a dotted quad").arg(host));
    }
    const auto port = PortNumber(portText);
    if (!port) {
        return Fail(error, text, QStringLiteral("port '%1' is not 1 to 65535").arg(portText));
    }
    Target target;
    target.given = text;
    target.link.type = LinkType::Network;
    target.link.ip = host;
    target.link.tcpPort = QString::number(*port);
    target.key = QStringLiteral("tcp:%1:%2").arg(*address).arg(*port);
    return target;
}

std::optional<Target> ParseSerial(const QString& text, const QString& rest, QString* error) {
    const qsizetype at = rest.lastIndexOf(QLatin1Char('@'));
    const QString port = at < 0 ? rest : rest.left(at);
    const QString speed = at < 0 ? QString::fromLatin1(kDefaultSpeed) : rest.mid(at + 1);
    if (port.isEmpty()) {
        return Fail(error, text, QStringLiteral("no port name"));
    }
    if (!ParseSpeedString(speed.toStdString())) {
        return Fail(error, text, QStringLiteral("'%1' is not a speed string").arg(speed));
    }
    Target target;
    target.given = text;
    target.link.type = LinkType::Serial;
    target.link.portName = port;
    target.link.speed = speed;
    target.key = QStringLiteral("serial:") + port;
    return target;
}

}  // namespace

std::optional<Target> ParseTarget(const QString& text, QString* error) {
    if (text.startsWith(QLatin1String("tcp:"))) {
        return ParseTcp(text, text.mid(4), error);
    }
    if (text.startsWith(QLatin1String("serial:"))) {
        return ParseSerial(text, text.mid(7), error);
    }
    return Fail(error, text, QStringLiteral("neither tcp:HOST[:PORT] nor serial:PORT[@SPEED]"));
}

std::optional<QList<Target>> ReadTargetsFile(const QString& path, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        *error = QStringLiteral("targets file '%1': %2").arg(path, file.errorString());
        return std::nullopt;
    }
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    QList<Target> targets;
    int number = 0;
    while (!file.atEnd()) {
        ++number;
        const QString line = QString::fromUtf8(file.readLine()).section(QLatin1Char('#'), 0, 0);
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty()) {
            continue;
        }
        QString why;
        auto target = ParseTarget(trimmed.section(blanks, 0, 0), &why);
        if (!target) {
            *error =
                QStringLiteral("targets file '%1', line %2: %3").arg(path).arg(number).arg(why);
            return std::nullopt;
        }
        target->label = trimmed.section(blanks, 1).trimmed();
        targets.append(*target);
    }
    return targets;
}

Target SavedTarget() {
    ToolSettings settings;
    // As the window's start-up does: 0 is the serial page, anything else the network page.
    const int storedType = LoadSettings(DefaultSettingsLocation(), settings);
    settings.link.type = storedType == 0 ? LinkType::Serial : LinkType::Network;
    Target target;
    target.link = settings.link;
    const bool network = settings.link.type == LinkType::Network;
    target.given =
        network ? QStringLiteral("tcp:%1:%2").arg(settings.link.ip, settings.link.tcpPort)
                : QStringLiteral("serial:%1@%2").arg(settings.link.portName, settings.link.speed);
    target.key = target.given;
    target.label = QStringLiteral("saved link");
    return target;
}
