#include "sample_image.h"

#include <QByteArray>
#include <QSaveFile>

namespace sim {

namespace {

constexpr int kHeaderSize = 16;
constexpr int kBlockSize = 512;

}  // namespace

bool WriteSampleImage(const QString& path, int blocks, QString* error) {
    QByteArray bytes = QByteArrayLiteral("KR470QX SAMPLE");
    bytes.resize(kHeaderSize, '\0');
    for (int i = 0; i < blocks * kBlockSize; ++i) {
        // Never all 0xFF, and no two blocks alike: a block sent to the wrong address shows.
        bytes.append(static_cast<char>((i * 7 + i / kBlockSize * 13 + 1) % 251));
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        *error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

}  // namespace sim
