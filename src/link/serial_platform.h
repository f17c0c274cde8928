#pragma once

#include <QString>
#include <QtGlobal>

#include <chrono>
#include <optional>

#include "speed_string.h"

// The few serial-port calls Qt does not offer. One implementation per platform; nothing else in
// the link makes system calls but the open-failure diagnosis, which has platform files too.
namespace serial_platform {

// The device path for a port name: "COMn" maps to the platform's n-th serial device, any other
// bare name to the platform's device of that name, and a path is used as typed.
QString DevicePath(const QString& portName);

// Whether the port open may be given the path, checked before anything opens it: the open must
// not write to, create or truncate a file that happens to be there.
bool MayOpenAsPort(const QString& path);

// The longest single readiness wait on a port.
std::chrono::milliseconds LongestWait();

// Calls on the handle of an open port.
bool IsTerminal(qintptr handle);
bool LockExclusive(qintptr handle);
// The line settings the port has, as read back from it; absent where they cannot be read or
// named (a custom speed).
std::optional<LineSettings> LineSettingsOf(qintptr handle);
// True once the transmit queue is empty, false when it is not within `limit`.
bool Drain(qintptr handle, std::chrono::milliseconds limit);
void Purge(qintptr handle);

}  // namespace serial_platform
