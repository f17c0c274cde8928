#include "sim_log.h"

#include <QDateTime>

#include "frame_codec.h"

namespace sim {

SimLog::~SimLog() {
    if (ownsFile_) {
        std::fclose(file_);
    }
}

bool SimLog::Open(const QString& path, QString* error) {
    if (path.isEmpty() || file_) {
        return true;
    }
    if (path == QLatin1String("-")) {
        file_ = stderr;
        return true;
    }
    file_ = std::fopen(path.toLocal8Bit().constData(), "a");
    if (!file_) {
        if (error) {
            *error = QStringLiteral("cannot open log file %1").arg(path);
        }
        return false;
    }
    ownsFile_ = true;
    return true;
}

void SimLog::Write(std::string_view where, std::string_view what) {
    std::lock_guard lock(mutex_);
    if (!file_) {
        return;
    }
    const QByteArray stamp =
        QDateTime::currentDateTime().toString(QStringLiteral("HH:mm:ss.zzz")).toLatin1();
    std::fprintf(file_, "%s %.*s %.*s\n", stamp.constData(), static_cast<int>(where.size()),
                 where.data(), static_cast<int>(what.size()), what.data());
    std::fflush(file_);
}

std::string SimLog::Escaped(std::string_view bytes) {
    std::string out;
    for (const char c : bytes) {
        const auto b = static_cast<std::uint8_t>(c);
        if (b < 0x20 || b >= 0x7F) {
            out += '<';
            out += ByteToHex(b);
            out += '>';
        } else {
            out.push_back(c);
        }
    }
    return out;
}

}  // namespace sim
