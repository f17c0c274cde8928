#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "firmware_image.h"
#include "support/peak_memory.h"
#include "support/unprivileged.h"

namespace {

constexpr int kBlock = FirmwareImage::kBlockSize;

// Image data that never repeats with the block size and seldom looks like padding.
QByteArray Data(int size) {
    QByteArray data(size, '\0');
    for (int i = 0; i < size; ++i) {
        data[i] = static_cast<char>(i % 251);
    }
    return data;
}

QByteArray Header() {
    return QByteArray("KR470QX V5 1.02") + '\0';
}

class FirmwareImageTest : public ::testing::Test {
protected:
    QString Write(const QByteArray& bytes, const QString& name = QStringLiteral("f.KXB")) {
        const QString path = dir_.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }
    // The whole store as one array, padding included.
    static QByteArray Store(const FirmwareImage& image) {
        QByteArray all;
        for (int k = 0; k < FirmwareImage::kMaxBlocks; ++k) {
            all += image.Block(k).toByteArray();
        }
        return all;
    }
    static QByteArray Padded(const QByteArray& data) {
        QByteArray padded = data.left(FirmwareImage::kMaxDataSize);
        return padded.leftJustified(FirmwareImage::kMaxDataSize, '\xFF');
    }

    QTemporaryDir dir_;
};

TEST_F(FirmwareImageTest, BlockCountAndPaddingFollowTheFileSize) {
    struct Case {
        int fileSize;
        int blocks;
    };
    const Case cases[] = {
        {0, 0},
        {5, 0},
        {16, 0},
        {16 + 1, 1},
        {16 + kBlock, 1},
        {16 + kBlock + 1, 2},
        {16 + 3 * kBlock, 3},
        {16 + 123 * kBlock + 1, 124},
        {16 + 124 * kBlock, 124},
        {16 + 124 * kBlock + 1, 124},
        {16 + 130 * kBlock + 7, 124},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fileSize);
        const QByteArray file = (Header() + Data(c.fileSize)).left(c.fileSize);
        FirmwareImage image;
        ASSERT_TRUE(image.Load(Write(file)));
        EXPECT_EQ(image.BlockCount(), c.blocks);
        EXPECT_EQ(Store(image), Padded(file.mid(16)));
    }
}

TEST_F(FirmwareImageTest, ShorterFileLeavesNothingOfTheLongerOne) {
    FirmwareImage image;
    ASSERT_TRUE(image.Load(Write(Header() + Data(70000), "long.KXB")));
    const QByteArray shortData = Data(kBlock + 1).right(kBlock + 1);
    ASSERT_TRUE(image.Load(Write(Header() + shortData, "short.KXB")));
    EXPECT_EQ(image.BlockCount(), 2);
    EXPECT_EQ(Store(image), Padded(shortData));
}

TEST_F(FirmwareImageTest, FailedLoadKeepsTheCountButNoData) {
    const QString unreadable = QStringLiteral("/proc/self/mem");  // opens, every read fails
    ASSERT_TRUE(QFile(unreadable).open(QIODevice::ReadOnly));
    const QString failing[] = {dir_.filePath("missing.KXB"), dir_.path(), unreadable};
    for (const QString& path : failing) {
        SCOPED_TRACE(path.toStdString());
        FirmwareImage image;
        ASSERT_TRUE(image.Load(Write(Header() + Data(3 * kBlock))));
        EXPECT_FALSE(image.Load(path));
        EXPECT_EQ(image.BlockCount(), 3);
        EXPECT_EQ(Store(image), Padded({}));
    }
}

TEST_F(FirmwareImageTest, FileWithoutReadPermissionFails) {
    const QString path = Write(Header() + Data(10));
    ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::WriteOwner));
    ASSERT_TRUE(QFile::setPermissions(QFileInfo(path).path(),
                                      QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                          QFileDevice::ExeOwner | QFileDevice::ExeOther));
    EXPECT_TRUE(HoldsForUnprivilegedUser([&path] {
        FirmwareImage image;
        return !image.Load(path) && ReadFirmwareHeader(path) == std::nullopt;
    }));
}

TEST_F(FirmwareImageTest, HugeFileIsReadOnlyAsFarAsTheImageGoes) {
    const QString path = Write(Header() + Data(kBlock));
    QFile file(path);
    ASSERT_TRUE(file.resize(100LL * 1024 * 1024));  // sparse: costs no disk
    const qint64 peakBefore = PeakMemoryKb();
    FirmwareImage image;
    ASSERT_TRUE(image.Load(path));
    EXPECT_LT(PeakMemoryKb() - peakBefore, 10 * 1024);
    EXPECT_EQ(image.BlockCount(), 124);
    EXPECT_EQ(image.Block(0).toByteArray(), Data(kBlock));
    EXPECT_EQ(image.Block(123).toByteArray(), QByteArray(kBlock, '\0'));
}

TEST_F(FirmwareImageTest, HeaderTextEndsAtTheFirstZeroByte) {
    struct Case {
        QByteArray file;
        QString text;
    };
    const Case cases[] = {
        {QByteArray("KR4\0XYZ", 7), QStringLiteral("KR4")},
        {QByteArray("ABCDEFGHIJKLMNOPQRSTUVWXYZ"), QStringLiteral("ABCDEFGHIJKLMNOP")},
        {QByteArray("short"), QStringLiteral("short")},
        {QByteArray("\0ABC", 4), QString()},
        {QByteArray(), QString()},
        {QByteArray("V\xE9r\xB0"), QStringLiteral(u"V\u00E9r\u00B0")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file.toStdString());
        const auto header = ReadFirmwareHeader(Write(c.file));
        ASSERT_TRUE(header.has_value());
        EXPECT_EQ(FirmwareHeaderText(*header), c.text);
    }
}

TEST_F(FirmwareImageTest, HeaderOfAFileThatCannotBeOpenedIsAbsent) {
    EXPECT_EQ(ReadFirmwareHeader(dir_.filePath("missing.KXB")), std::nullopt);
    EXPECT_EQ(ReadFirmwareHeader(dir_.path()), std::nullopt);
    EXPECT_EQ(ReadFirmwareHeader(QStringLiteral("/proc/self/mem")), std::nullopt);
}

}  // namespace
