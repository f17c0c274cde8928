#include "serial_platform.h"

#include <windows.h>

#include <thread>

// QSerialPort on Windows already opens with no sharing and OPEN_EXISTING, keeps the port's DCB
// and time-outs from the open and puts them back at close, and purges with PurgeComm in clear().
// What is left for this file is naming the device and watching the transmit queue.
namespace serial_platform {

namespace {

const QString kDevicePrefix = QStringLiteral("\\\\.\\");

}  // namespace

// Only COM1 to COM9 are reachable by their bare name; the device namespace reaches them all.
QString DevicePath(const QString& portName) {
    if (portName.isEmpty() || portName.startsWith(kDevicePrefix) ||
        portName.startsWith(QLatin1String("//./"))) {
        return portName;
    }
    return kDevicePrefix + portName;
}

// Any name: an open of a device-namespace name with OPEN_EXISTING creates and truncates nothing,
// and the port layer gives up at GetCommState before any write when the handle is no serial port.
bool MayOpenAsPort(const QString& path) {
    return !path.isEmpty();
}

// Wine tells the port layer of arrived bytes only at its next wait, so waits are cut short.
std::chrono::milliseconds LongestWait() {
    return std::chrono::milliseconds(10);
}

bool IsTerminal(qintptr handle) {
    const auto file = reinterpret_cast<HANDLE>(handle);
    DCB dcb{};
    dcb.DCBlength = sizeof(dcb);
    return ::GetFileType(file) == FILE_TYPE_CHAR && ::GetCommState(file, &dcb) != 0;
}

// The port was opened without sharing: no other handle to it can exist.
bool LockExclusive(qintptr /*handle*/) {
    return true;
}

// FlushFileBuffers would wait without bound on a line held by flow control; the queue's count
// is polled instead.
bool Drain(qintptr handle, std::chrono::milliseconds limit) {
    const auto until = std::chrono::steady_clock::now() + limit;
    for (;;) {
        DWORD errors = 0;
        COMSTAT status{};
        if (!::ClearCommError(reinterpret_cast<HANDLE>(handle), &errors, &status)) {
            return false;
        }
        if (status.cbOutQue == 0) {
            return true;
        }
        if (std::chrono::steady_clock::now() >= until) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

std::optional<LineSettings> LineSettingsOf(qintptr handle) {
    DCB dcb{};
    dcb.DCBlength = sizeof(dcb);
    if (!::GetCommState(reinterpret_cast<HANDLE>(handle), &dcb) || dcb.BaudRate == 0) {
        return std::nullopt;
    }
    using Parity = LineSettings::Parity;
    using StopBits = LineSettings::StopBits;
    static const Parity kParities[] = {Parity::None, Parity::Odd, Parity::Even, Parity::Mark,
                                       Parity::Space};
    static const StopBits kStopBits[] = {StopBits::One, StopBits::OneAndHalf, StopBits::Two};
    return LineSettings{static_cast<int>(dcb.BaudRate),
                        dcb.Parity < 5 ? kParities[dcb.Parity] : Parity::None, dcb.ByteSize,
                        dcb.StopBits < 3 ? kStopBits[dcb.StopBits] : StopBits::One};
}

// Without the abort flags: those would cancel the overlapped read the port layer keeps pending.
void Purge(qintptr handle) {
    ::PurgeComm(reinterpret_cast<HANDLE>(handle), PURGE_TXCLEAR | PURGE_RXCLEAR);
}

}  // namespace serial_platform
