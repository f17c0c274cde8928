#include "port_list.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>

namespace {

QString Hex4(quint16 value) {
    return QStringLiteral("%1").arg(value, 4, 16, QLatin1Char('0'));
}

}  // namespace

QString TrimControlAndBlanks(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin].unicode() <= 32) {
        ++begin;
    }
    while (end > begin && text[end - 1].unicode() <= 32) {
        --end;
    }
    return text.mid(begin, end - begin);
}

QStringList PortListItems(const QStringList& systemNames) {
    QStringList items;
    for (const QString& name : systemNames) {
        items.append(TrimControlAndBlanks(name));
    }
    if (items.isEmpty()) {
        for (int number = 1; number <= 16; ++number) {
            items.append(QStringLiteral("COM%1").arg(number));
        }
    }
    return items;
}

QList<PortDetails> SystemPortDetails() {
    QList<PortDetails> ports;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        PortDetails port;
        port.name = PortNameOf(info);
        port.description = info.description();
        port.manufacturer = info.manufacturer();
        if (info.hasVendorIdentifier()) {
            port.vendorId = info.vendorIdentifier();
        }
        if (info.hasProductIdentifier()) {
            port.productId = info.productIdentifier();
        }
        port.serialNumber = info.serialNumber();
        port.stableName = StableNameOf(info.systemLocation());
        ports.append(port);
    }
    return ports;
}

QString StableNameOf(const QString& device, const QString& byIdDir) {
    const QString target = QFileInfo(device).canonicalFilePath();
    const QDir dir(byIdDir);
    for (const QString& entry : dir.entryList(QDir::System | QDir::Files, QDir::Name)) {
        QString link = dir.filePath(entry);
        if (!target.isEmpty() && QFileInfo(link).canonicalFilePath() == target) {
            return link;
        }
    }
    return QString();
}

QString PortTooltip(const PortDetails& port) {
    QStringList lines;
    QString what = port.description;
    if (!port.manufacturer.isEmpty()) {
        what += what.isEmpty() ? port.manufacturer : QStringLiteral(" (%1)").arg(port.manufacturer);
    }
    lines.append(what);
    QStringList ids;
    if (port.vendorId || port.productId) {
        ids.append(QStringLiteral("USB %1:%2")
                       .arg(port.vendorId ? Hex4(*port.vendorId) : QStringLiteral("????"),
                            port.productId ? Hex4(*port.productId) : QStringLiteral("????")));
    }
    if (!port.serialNumber.isEmpty()) {
        ids.append(QStringLiteral("S/N:") + port.serialNumber);
    }
    lines.append(ids.join(QStringLiteral("   ")));
    lines.append(port.stableName);
    lines.removeAll(QString());
    return lines.join(QLatin1Char('\n'));
}

QStringList PortItemTooltips(const QStringList& items, const QList<PortDetails>& details) {
    QStringList tooltips;
    for (const QString& item : items) {
        QString tooltip;
        for (const PortDetails& port : details) {
            if (TrimControlAndBlanks(port.name) == item) {
                tooltip = PortTooltip(port);
                break;
            }
        }
        tooltips.append(tooltip);
    }
    return tooltips;
}
