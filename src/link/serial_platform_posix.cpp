#include "serial_platform.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <thread>
#include <utility>

namespace serial_platform {

namespace {

std::optional<int> SpeedOf(speed_t code) {
    static const std::pair<speed_t, int> kSpeeds[] = {
        {B50, 50},         {B75, 75},         {B110, 110},       {B134, 134},     {B150, 150},
        {B200, 200},       {B300, 300},       {B600, 600},       {B1200, 1200},   {B1800, 1800},
        {B2400, 2400},     {B4800, 4800},     {B9600, 9600},     {B19200, 19200}, {B38400, 38400},
        {B57600, 57600},   {B115200, 115200}, {B230400, 230400},
#ifdef B921600
        {B460800, 460800}, {B921600, 921600},
#endif
    };
    for (const auto& [known, speed] : kSpeeds) {
        if (known == code) {
            return speed;
        }
    }
    return std::nullopt;
}

LineSettings::Parity ParityOf(tcflag_t flags) {
    using Parity = LineSettings::Parity;
    if (!(flags & PARENB)) {
        return Parity::None;
    }
#ifdef CMSPAR
    if (flags & CMSPAR) {
        return (flags & PARODD) ? Parity::Mark : Parity::Space;
    }
#endif
    return (flags & PARODD) ? Parity::Odd : Parity::Even;
}

int DataBitsOf(tcflag_t flags) {
    switch (flags & CSIZE) {
        case CS5:
            return 5;
        case CS6:
            return 6;
        case CS7:
            return 7;
        default:
            return 8;
    }
}

}  // namespace

QString DevicePath(const QString& portName) {
    static const QRegularExpression comName(QStringLiteral("^COM([1-9][0-9]{0,3})$"),
                                            QRegularExpression::CaseInsensitiveOption);
    const auto match = comName.match(portName);
    if (match.hasMatch()) {
        return QStringLiteral("/dev/ttyS%1").arg(match.captured(1).toInt() - 1);
    }
    if (portName.isEmpty()) {
        return portName;
    }
    // A bare name such as "ttyUSB0" names a device. A path is made absolute here, so that the
    // port layer cannot read a relative one as a name under /dev.
    if (!portName.contains(QLatin1Char('/'))) {
        return QStringLiteral("/dev/") + portName;
    }
    return QDir::current().absoluteFilePath(portName);
}

// Only a character device: nothing may be written to a file that happens to be there.
bool MayOpenAsPort(const QString& path) {
    struct stat info {};
    return !path.isEmpty() && ::stat(QFile::encodeName(path).constData(), &info) == 0 &&
           S_ISCHR(info.st_mode);
}

// A wait lasts until its end: the port layer hears of arrived bytes at once.
std::chrono::milliseconds LongestWait() {
    return std::chrono::hours(1);
}

bool IsTerminal(qintptr handle) {
    return ::isatty(static_cast<int>(handle)) == 1;
}

// The port layer's lock file is named after the path and root ignores TIOCEXCL; a lock on the
// open device itself also holds against root and against another name of the same device.
bool LockExclusive(qintptr handle) {
    int result = 0;
    do {
        result = ::flock(static_cast<int>(handle), LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    return result == 0;
}

// tcdrain would wait without end on an adapter that never empties its queue (wedged, or flow
// held by the peer), so the queue is watched instead, every millisecond.
bool Drain(qintptr handle, std::chrono::milliseconds limit) {
    const auto until = std::chrono::steady_clock::now() + limit;
    for (;;) {
        int queued = 0;
        if (::ioctl(static_cast<int>(handle), TIOCOUTQ, &queued) != 0 || queued <= 0) {
            // A port that takes no more calls holds nothing that could still go out.
            return true;
        }
        if (std::chrono::steady_clock::now() >= until) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds{1});
    }
}

std::optional<LineSettings> LineSettingsOf(qintptr handle) {
    termios line{};
    if (::tcgetattr(static_cast<int>(handle), &line) != 0) {
        return std::nullopt;
    }
    const auto speed = SpeedOf(::cfgetospeed(&line));
    if (!speed) {
        return std::nullopt;
    }
    return LineSettings{
        *speed, ParityOf(line.c_cflag), DataBitsOf(line.c_cflag),
        (line.c_cflag & CSTOPB) ? LineSettings::StopBits::Two : LineSettings::StopBits::One};
}

void Purge(qintptr handle) {
    ::tcflush(static_cast<int>(handle), TCIOFLUSH);
}

}  // namespace serial_platform
