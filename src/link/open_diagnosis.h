#pragma once

#include <QSerialPort>
#include <QString>

#include "open_failure.h"

// Finds out from the system why a serial port did not open. One implementation per platform.
namespace open_diagnosis {

// The step of the serial open that failed.
enum class SerialStep {
    Find,      // the path is nothing the port open may be given
    Open,      // the port layer refused, with `error` and its text
    Terminal,  // opened, but not a terminal
    Lock,      // opened, but someone else holds it
};

OpenFailure DiagnoseSerial(const QString& portName, const QString& path, SerialStep step,
                           QSerialPort::SerialPortError error, const QString& systemText);

}  // namespace open_diagnosis
