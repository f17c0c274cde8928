#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <array>
#include <optional>

// The image as it is sent: up to 124 blocks of 512 bytes, 0xFF wherever the file gives nothing.
class FirmwareImage {
public:
    static constexpr int kBlockSize = 512;
    static constexpr int kMaxBlocks = 124;
    static constexpr int kMaxDataSize = kBlockSize * kMaxBlocks;  // addresses 0x0000 to 0xF7FF
    static constexpr int kHeaderSize = 16;

    FirmwareImage() { Erase(); }

    int BlockCount() const { return blockCount_; }
    // Block k (0 to 123): its 512 bytes, padding included.
    QByteArrayView Block(int k) const;

    // Reads the file at path: the header is skipped, the data fills the blocks in order. False
    // when the file cannot be opened or read to its end; then every byte is 0xFF and the block
    // count keeps its previous value.
    bool Load(const QString& path);

private:
    void Erase();

    std::array<char, kMaxDataSize> bytes_;
    int blockCount_ = 0;
};

// The file's first bytes, at most 16; nothing when the file cannot be opened or read.
std::optional<QByteArray> ReadFirmwareHeader(const QString& path);
// The header as the status line shows it: 8-bit characters up to the first zero byte.
QString FirmwareHeaderText(const QByteArray& header);
