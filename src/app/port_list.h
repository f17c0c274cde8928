#pragma once

#include <QList>
#include <QStringList>

#include <functional>
#include <optional>

class QSerialPortInfo;

// The system's serial ports by the names a link opens them with.
using PortSource = std::function<QStringList()>;

// Names with characters up to code 32 removed at both ends, order and duplicates kept; COM1 to
// COM16 when there are none.
QStringList PortListItems(const QStringList& systemNames);
QString TrimControlAndBlanks(const QString& text);

// What the system knows of one port, so that a technician can tell adapters apart.
struct PortDetails {
    QString name;  // as the link opens it
    QString description;
    QString manufacturer;
    std::optional<quint16> vendorId;
    std::optional<quint16> productId;
    QString serialNumber;
    QString stableName;  // the /dev/serial/by-id name that leads to it
};
using PortDetailSource = std::function<QList<PortDetails>()>;
QList<PortDetails> SystemPortDetails();
// The name a link opens the port by, as the platform names its ports.
QString PortNameOf(const QSerialPortInfo& info);

// The by-id link that resolves to the device, if there is one.
QString StableNameOf(const QString& device,
                     const QString& byIdDir = QStringLiteral("/dev/serial/by-id"));
// Description and maker, USB IDs and serial number, stable name: one line each, where known.
QString PortTooltip(const PortDetails& port);
// One tooltip per item: that of the port the item names, empty for a name the system did not give.
QStringList PortItemTooltips(const QStringList& items, const QList<PortDetails>& details);
