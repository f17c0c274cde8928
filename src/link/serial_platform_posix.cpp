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

namespace serial_platform {

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

void Purge(qintptr handle) {
    ::tcflush(static_cast<int>(handle), TCIOFLUSH);
}

}  // namespace serial_platform
