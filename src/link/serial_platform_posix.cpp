#include "serial_platform.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <sys/file.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

namespace serial_platform {

QString DevicePath(const QString& portName) {
    static const QRegularExpression comName(QStringLiteral("^COM([1-9][0-9]{0,3})$"),
                                            QRegularExpression::CaseInsensitiveOption);
    const auto match = comName.match(portName);
    if (match.hasMatch()) {
        return QStringLiteral("/dev/ttyS%1").arg(match.captured(1).toInt() - 1);
    }
    // Made absolute here so the port layer cannot read it as a name under /dev.
    return portName.isEmpty() ? portName : QDir::current().absoluteFilePath(portName);
}

bool IsCharacterDevice(const QString& path) {
    struct stat info {};
    return !path.isEmpty() && ::stat(QFile::encodeName(path).constData(), &info) == 0 &&
           S_ISCHR(info.st_mode);
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

bool Drain(qintptr handle, std::chrono::milliseconds /*limit*/) {
    while (::tcdrain(static_cast<int>(handle)) != 0 && errno == EINTR) {
    }
    return true;
}

void Purge(qintptr handle) {
    ::tcflush(static_cast<int>(handle), TCIOFLUSH);
}

}  // namespace serial_platform
