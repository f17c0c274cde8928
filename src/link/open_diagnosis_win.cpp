#include "open_diagnosis.h"

namespace open_diagnosis {

// Windows tells little more than its error code, which the port layer has mapped already. A port
// another program has open answers "access denied".
OpenFailure DiagnoseSerial(const QString& portName, const QString& path, SerialStep step,
                           QSerialPort::SerialPortError error, const QString& systemText) {
    OpenFailure failure;
    failure.portName = portName;
    // "\\.\COM5" is how the port is reached; the technician knows it as COM5.
    failure.device = portName;
    (void)path;
    failure.systemText = systemText;
    switch (step) {
        case SerialStep::Find:
            failure.cause = OpenCause::NoSuchDevice;
            break;
        case SerialStep::Terminal:
            failure.cause = OpenCause::NotATerminal;
            break;
        case SerialStep::Lock:
            failure.cause = OpenCause::DeviceBusy;
            break;
        case SerialStep::Open:
            if (error == QSerialPort::DeviceNotFoundError) {
                failure.cause = OpenCause::NoSuchDevice;
            } else if (error == QSerialPort::PermissionError) {
                failure.cause = OpenCause::DeviceBusy;
            } else {
                failure.cause = OpenCause::DeviceFailed;
            }
            break;
    }
    return failure;
}

}  // namespace open_diagnosis
