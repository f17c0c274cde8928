#include <QSerialPortInfo>

#include "port_list.h"

// COM1, COM12, …: the name Windows gives the port, which the port open takes.
QString PortNameOf(const QSerialPortInfo& info) {
    return info.portName();
}
