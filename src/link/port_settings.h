#pragma once

#include <QSerialPort>
#include <QString>

#include <optional>

#include "speed_string.h"

// What the serial port is given for a speed string, so that the mapping can be read without a
// port: a pseudo-terminal keeps neither even nor mark parity.
struct PortSettings {
    struct Line {
        qint32 baudRate = 0;
        QSerialPort::Parity parity = QSerialPort::NoParity;
        QSerialPort::DataBits dataBits = QSerialPort::Data8;
        QSerialPort::StopBits stopBits = QSerialPort::OneStop;
    };
    // Absent when the text is no speed string: the port keeps the line settings it has.
    std::optional<Line> line;
    QSerialPort::FlowControl flowControl = QSerialPort::NoFlowControl;
};

PortSettings PortSettingsFor(const QString& speed);
// The same for a speed string already read; absent when it could not be.
PortSettings PortSettingsFor(const std::optional<LineSettings>& line);
