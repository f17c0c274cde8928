#include "image_check.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>

#include "firmware_image.h"

std::optional<ImageFacts> CheckImage(const QString& path, QString* error) {
    const QFileInfo info(path);
    QFile file(path);
    if (!info.exists()) {
        *error = QStringLiteral("firmware file '%1' does not exist").arg(path);
        return std::nullopt;
    }
    if (!info.isFile() || !file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("firmware file '%1' cannot be read%2")
                     .arg(path, info.isFile() ? QStringLiteral(": ") + file.errorString()
                                              : QStringLiteral(": not a regular file"));
        return std::nullopt;
    }
    const qint64 data = file.size() - FirmwareImage::kHeaderSize;
    if (data > FirmwareImage::kMaxDataSize) {
        *error = QStringLiteral(
                     "firmware file '%1' holds %2 bytes of data after its %3-byte "
                     "header, more than the %4 (%5 blocks of %6) that fit")
                     .arg(path)
                     .arg(data)
                     .arg(FirmwareImage::kHeaderSize)
                     .arg(FirmwareImage::kMaxDataSize)
                     .arg(FirmwareImage::kMaxBlocks)
                     .arg(FirmwareImage::kBlockSize);
        return std::nullopt;
    }
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&file)) {
        *error =
            QStringLiteral("firmware file '%1' cannot be read: %2").arg(path, file.errorString());
        return std::nullopt;
    }
    return ImageFacts{info.fileName(), info.size(), QString::fromLatin1(hash.result().toHex())};
}
