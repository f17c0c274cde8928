#include "firmware_image.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace {

// Reads until max bytes are in or the file ends; -1 on a read error.
qint64 ReadUpTo(QFile& file, char* into, qint64 max) {
    qint64 filled = 0;
    while (filled < max) {
        const qint64 got = file.read(into + filled, max - filled);
        if (got < 0) {
            return -1;
        }
        if (got == 0) {
            break;
        }
        filled += got;
    }
    return filled;
}

// Only a regular file: opening a pipe or a terminal would hang the window until another program
// writes to it. Unbuffered, so that no more than the image is ever read from a huge file.
bool OpenForReading(QFile& file) {
    return QFileInfo(file.fileName()).isFile() &&
           file.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
}

// What the file promises beyond its header (only regular files are opened).
qint64 ExpectedDataSize(const QFile& file) {
    return std::clamp<qint64>(file.size() - FirmwareImage::kHeaderSize, 0,
                              FirmwareImage::kMaxDataSize);
}

}  // namespace

QByteArrayView FirmwareImage::Block(int k) const {
    return QByteArrayView(bytes_.data() + static_cast<qsizetype>(k) * kBlockSize, kBlockSize);
}

void FirmwareImage::Erase() {
    bytes_.fill(static_cast<char>(0xFF));
}

bool FirmwareImage::Load(const QString& path) {
    Erase();
    QFile file(path);
    if (!OpenForReading(file)) {
        return false;
    }
    const qint64 expected = ExpectedDataSize(file);
    char header[kHeaderSize];
    const qint64 headerSize = ReadUpTo(file, header, kHeaderSize);
    const qint64 dataSize = headerSize < 0 ? -1 : ReadUpTo(file, bytes_.data(), kMaxDataSize);
    // A file cut short while it is read must not be sent as if it were whole.
    if (dataSize < 0 || dataSize < expected) {
        Erase();
        return false;
    }
    blockCount_ = static_cast<int>((dataSize + kBlockSize - 1) / kBlockSize);
    return true;
}

std::optional<QByteArray> ReadFirmwareHeader(const QString& path) {
    QFile file(path);
    if (!OpenForReading(file)) {
        return std::nullopt;
    }
    QByteArray header(FirmwareImage::kHeaderSize, '\0');
    const qint64 got = ReadUpTo(file, header.data(), header.size());
    if (got < 0) {
        return std::nullopt;
    }
    header.truncate(got);
    return header;
}

QString FirmwareHeaderText(const QByteArray& header) {
    const qsizetype end = header.indexOf('\0');
    return QString::fromLatin1(end < 0 ? header : header.left(end));
}
