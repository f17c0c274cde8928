#include <QFile>
#include <QFileInfo>

#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <vector>

#include "open_diagnosis.h"

namespace open_diagnosis {
namespace {

// The package's rule, and where an administrator may have put a copy.
constexpr std::array kSeatRules = {
    "/usr/lib/udev/rules.d/70-kr470qx-tools.rules",
    "/lib/udev/rules.d/70-kr470qx-tools.rules",
    "/etc/udev/rules.d/70-kr470qx-tools.rules",
};

// strerror_r comes in two shapes: GNU returns its text, POSIX fills the buffer.
[[maybe_unused]] const char* ErrorText(int /*posixResult*/, const char* buffer) {
    return buffer;
}
[[maybe_unused]] const char* ErrorText(const char* gnuResult, const char* /*buffer*/) {
    return gnuResult;
}

// The reentrant calls throughout: the console program diagnoses many ports at once, each on its
// own thread, and the plain ones share one buffer.
QString SystemText(int error) {
    char buffer[256] = {};
    return QString::fromLocal8Bit(ErrorText(strerror_r(error, buffer, sizeof buffer), buffer));
}

constexpr std::size_t kEntryBuffer = 16384;

// The rule tags USB adapters only; a name under /dev/serial/by-id leads to one of them.
bool SeatRuleCovers(const QString& path) {
    const QString name = QFileInfo(QFileInfo(path).canonicalFilePath()).fileName();
    if (!name.startsWith(QLatin1String("ttyUSB")) && !name.startsWith(QLatin1String("ttyACM"))) {
        return false;
    }
    for (const char* rule : kSeatRules) {
        if (::access(rule, F_OK) == 0) {
            return true;
        }
    }
    return false;
}

bool InThisSession(gid_t group) {
    if (::getegid() == group) {
        return true;
    }
    std::vector<gid_t> groups(static_cast<std::size_t>(std::max(::getgroups(0, nullptr), 0)));
    const int count = ::getgroups(static_cast<int>(groups.size()), groups.data());
    return std::find(groups.begin(), groups.begin() + std::max(count, 0), group) !=
           groups.begin() + std::max(count, 0);
}

// Group changes take effect at the next login; the group file already has them.
bool InGroupFile(gid_t group) {
    passwd entry{};
    passwd* user = nullptr;
    std::vector<char> buffer(kEntryBuffer);
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &user) != 0 || !user) {
        return false;
    }
    int count = 64;
    std::vector<gid_t> groups(static_cast<std::size_t>(count));
    if (::getgrouplist(user->pw_name, user->pw_gid, groups.data(), &count) < 0) {
        groups.resize(static_cast<std::size_t>(count));
        if (::getgrouplist(user->pw_name, user->pw_gid, groups.data(), &count) < 0) {
            return false;
        }
    }
    return std::find(groups.begin(), groups.begin() + count, group) != groups.begin() + count;
}

void DescribePermission(OpenFailure& failure, const struct stat& info) {
    failure.cause = OpenCause::PermissionDenied;
    group entry{};
    group* owner = nullptr;
    std::vector<char> buffer(kEntryBuffer);
    ::getgrgid_r(info.st_gid, &entry, buffer.data(), buffer.size(), &owner);
    failure.group = owner ? QString::fromLocal8Bit(owner->gr_name) : QString::number(info.st_gid);
    constexpr mode_t kReadWrite = S_IRGRP | S_IWGRP;
    failure.groupMayOpen = info.st_gid != 0 && (info.st_mode & kReadWrite) == kReadWrite;
    failure.memberNextLogin = !InThisSession(info.st_gid) && InGroupFile(info.st_gid);
    failure.seatRuleApplies = SeatRuleCovers(failure.device);
}

QString ProcessName(const QByteArray& pidText) {
    QFile comm(QStringLiteral("/proc/%1/comm").arg(QString::fromLatin1(pidText)));
    return comm.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(comm.readAll()).trimmed()
                                          : QString();
}

enum class Files { Hidden, Without, With };

Files OpenFiles(const QByteArray& pidText, dev_t device) {
    const QByteArray fdDir = "/proc/" + pidText + "/fd";
    DIR* fds = ::opendir(fdDir.constData());
    if (!fds) {
        return Files::Hidden;  // another user's process: the system does not show its files
    }
    Files found = Files::Without;
    while (const dirent* fd = ::readdir(fds)) {
        struct stat target {};
        if (fd->d_name[0] != '.' && ::stat((fdDir + '/' + fd->d_name).constData(), &target) == 0 &&
            S_ISCHR(target.st_mode) && target.st_rdev == device) {
            found = Files::With;
            break;
        }
    }
    ::closedir(fds);
    return found;
}

// Known to grab new adapters. Their open files are hidden from other users, their names are not.
bool KnownGrabber(const QString& name) {
    return name == QLatin1String("ModemManager") || name == QLatin1String("brltty");
}

// As fuser does: every process whose open files include the device. This process is not "another
// program", whatever it holds.
void FindHolders(dev_t device, OpenFailure& failure) {
    DIR* proc = ::opendir("/proc");
    if (!proc) {
        return;
    }
    const QByteArray self = QByteArray::number(static_cast<qint64>(::getpid()));
    while (const dirent* entry = ::readdir(proc)) {
        const QByteArray pid(entry->d_name);
        bool numeric = false;
        const qint64 number = pid.toLongLong(&numeric);
        if (!numeric || pid == self) {
            continue;
        }
        const Files files = OpenFiles(pid, device);
        if (files == Files::With) {
            failure.holders.append({number, ProcessName(pid)});
        } else if (files == Files::Hidden) {
            if (const QString name = ProcessName(pid); KnownGrabber(name)) {
                failure.suspects.append({number, name});
            }
        }
    }
    ::closedir(proc);
}

}  // namespace

OpenFailure DiagnoseSerial(const QString& portName, const QString& path, SerialStep step,
                           QSerialPort::SerialPortError error, const QString& systemText) {
    OpenFailure failure;
    failure.portName = portName;
    failure.device = path;
    failure.systemText = systemText;
    failure.linuxHints = true;
    struct stat info {};
    const QByteArray native = QFile::encodeName(path);
    if (path.isEmpty() || ::stat(native.constData(), &info) != 0) {
        const int reason = path.isEmpty() ? ENOENT : errno;
        // A folder on the way that may not be entered says nothing about the device's group.
        failure.cause = reason == EACCES ? OpenCause::DeviceFailed : OpenCause::NoSuchDevice;
        failure.systemText = SystemText(reason);
        return failure;
    }
    if (step == SerialStep::Terminal || !S_ISCHR(info.st_mode)) {
        failure.cause = OpenCause::NotATerminal;
        return failure;
    }
    if (step == SerialStep::Open &&
        ::faccessat(AT_FDCWD, native.constData(), R_OK | W_OK, AT_EACCESS) != 0 &&
        errno == EACCES) {
        DescribePermission(failure, info);
        return failure;
    }
    // The port layer calls an exclusive open, a lock file or a busy device a permission error.
    if (step == SerialStep::Lock || error == QSerialPort::PermissionError) {
        failure.cause = OpenCause::DeviceBusy;
        FindHolders(info.st_rdev, failure);
        return failure;
    }
    switch (error) {
        case QSerialPort::DeviceNotFoundError:
            failure.cause = OpenCause::NoSuchDevice;
            break;
        case QSerialPort::UnsupportedOperationError:  // the terminal calls failed: ENOTTY
            failure.cause = OpenCause::NotATerminal;
            break;
        default:
            failure.cause = OpenCause::DeviceFailed;
    }
    return failure;
}

}  // namespace open_diagnosis
