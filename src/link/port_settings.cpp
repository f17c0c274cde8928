#include "port_settings.h"

namespace {

QSerialPort::Parity ToPortParity(LineSettings::Parity parity) {
    switch (parity) {
        case LineSettings::Parity::Even:
            return QSerialPort::EvenParity;
        case LineSettings::Parity::Odd:
            return QSerialPort::OddParity;
        case LineSettings::Parity::Mark:
            return QSerialPort::MarkParity;
        case LineSettings::Parity::Space:
            return QSerialPort::SpaceParity;
        case LineSettings::Parity::None:
            break;
    }
    return QSerialPort::NoParity;
}

QSerialPort::StopBits ToPortStopBits(LineSettings::StopBits stopBits) {
    switch (stopBits) {
        case LineSettings::StopBits::OneAndHalf:
            return QSerialPort::OneAndHalfStop;
        case LineSettings::StopBits::Two:
            return QSerialPort::TwoStop;
        case LineSettings::StopBits::One:
            break;
    }
    return QSerialPort::OneStop;
}

}  // namespace

PortSettings PortSettingsFor(const QString& speed) {
    return PortSettingsFor(ParseSpeedString(speed.toStdString()));
}

PortSettings PortSettingsFor(const std::optional<LineSettings>& line) {
    PortSettings port;
    if (line) {
        // The parser admits 5 to 8 data bits only, the values of QSerialPort's enum.
        port.line = PortSettings::Line{line->speed, ToPortParity(line->parity),
                                       static_cast<QSerialPort::DataBits>(line->dataBits),
                                       ToPortStopBits(line->stopBits)};
    }
    return port;
}
