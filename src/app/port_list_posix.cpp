#include <QSerialPortInfo>

#include "port_list.h"

// The device path: a bare name would be looked up under /dev, a path is used as it is.
QString PortNameOf(const QSerialPortInfo& info) {
    return info.systemLocation();
}
