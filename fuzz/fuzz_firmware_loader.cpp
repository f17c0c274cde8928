#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "firmware_image.h"

// The image loader on any file content. One image object lives across runs, so a short file after
// a long one must leave nothing of the long one behind. The file is written to one path in a
// temporary folder and rewritten for every run.
namespace {

void Check(bool ok) {
    if (!ok) {
        __builtin_trap();
    }
}

const QString& ImagePath() {
    static const QTemporaryDir folder;
    static const QString path = folder.filePath(QStringLiteral("image.KXB"));
    return path;
}

void WriteImageFile(const std::uint8_t* data, std::size_t size) {
    QFile file(ImagePath());
    Check(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    Check(file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size)) ==
          static_cast<qint64>(size));
}

void CheckImage(const FirmwareImage& image, const std::uint8_t* data, std::size_t size) {
    const std::size_t header = FirmwareImage::kHeaderSize;
    const std::size_t used =
        std::min<std::size_t>(size > header ? size - header : 0, FirmwareImage::kMaxDataSize);
    const std::size_t blockSize = FirmwareImage::kBlockSize;
    Check(image.BlockCount() == static_cast<int>((used + blockSize - 1) / blockSize));
    for (int k = 0; k < FirmwareImage::kMaxBlocks; ++k) {
        const QByteArrayView block = image.Block(k);
        Check(block.size() == FirmwareImage::kBlockSize);
        for (std::size_t i = 0; i < blockSize; ++i) {
            const std::size_t at = k * blockSize + i;
            const auto byte = static_cast<std::uint8_t>(block[i]);
            Check(byte == (at < used ? data[header + at] : 0xFF));
        }
    }
}

void CheckHeader(const std::uint8_t* data, std::size_t size) {
    const auto header = ReadFirmwareHeader(ImagePath());
    Check(header.has_value());
    const std::size_t expected = std::min<std::size_t>(size, FirmwareImage::kHeaderSize);
    Check(*header == QByteArray(reinterpret_cast<const char*>(data), expected));
    const QString text = FirmwareHeaderText(*header);
    Check(text.size() <= FirmwareImage::kHeaderSize);
    Check(text.toLatin1() == header->left(text.size()));
    Check(text.size() == header->size() || header->at(text.size()) == '\0');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static FirmwareImage image;
    WriteImageFile(data, size);
    Check(image.Load(ImagePath()));
    CheckImage(image, data, size);
    CheckHeader(data, size);
    return 0;
}
