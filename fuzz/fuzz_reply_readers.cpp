#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

#include "firmware_image.h"
#include "reply_fields.h"
#include "reply_position.h"
#include "verify_reply.h"

// The readers the operations apply to LastReply (connect, DIDO, polling, verify), given any reply
// text and any claimed length, the two disagreeing included. Each reader must answer exactly for
// its command's length, read only the positions it names and never past the bytes it was given.
namespace {

void Check(bool ok) {
    if (!ok) {
        __builtin_trap();
    }
}

bool Accepts(const QByteArray& reply, int length, int expected) {
    return length == expected && reply.size() == expected;
}

// Positions counted from 1, as latin-1 text: the reference the readers are held to.
QString At(const QByteArray& reply, int first, int size) {
    return QString::fromLatin1(reply.mid(first - 1, size));
}

QString Stamp(const QByteArray& reply, int first) {
    return At(reply, first, 4) + '/' + At(reply, first + 4, 2) + '/' + At(reply, first + 6, 2) +
           "  " + At(reply, first + 8, 2) + ':' + At(reply, first + 10, 2) + ':' +
           At(reply, first + 12, 2);
}

void CheckConnectReaders(const QByteArray& reply, int length) {
    const auto id = ParseIdentifyReply(reply, length);
    Check(id.has_value() == Accepts(reply, length, 17));
    Check(!id || *id == reply.mid(1, 4));
    const auto version = ParseVersionReply(reply, length);
    Check(version.has_value() == Accepts(reply, length, 29));
    Check(!version || *version == At(reply, 8, 8) + "   " + At(reply, 16, 8));
    const auto serial = ParseSerialReply(reply, length);
    Check(serial.has_value() == Accepts(reply, length, 21));
    Check(!serial || *serial == At(reply, 8, 8));
}

void CheckTestReaders(const QByteArray& reply, int length) {
    const auto inputs = ParseInputsReply(reply, length);
    Check(inputs.has_value() == Accepts(reply, length, 29));
    for (int k = 1; inputs && k <= 8; ++k) {
        Check((*inputs)[k - 1] == (reply.at(6 + k) == '1'));
    }
    const auto poll = ParsePollReply(reply, length);
    const bool record = Accepts(reply, length, 59);
    Check(poll.has_value() == (record || Accepts(reply, length, 35)));
    if (!poll) {
        return;
    }
    Check(poll->clock == Stamp(reply, 8));
    Check(poll->record.has_value() == record);
    Check(!record || *poll->record == '[' + At(reply, 30, 1) + "] " + Stamp(reply, 31) + " (" +
                                          At(reply, 45, 4) + ") [" + At(reply, 49, 5) + ']');
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if ((c | 0x20) >= 'a' && (c | 0x20) <= 'f') {
        return (c | 0x20) - 'a' + 10;
    }
    return -1;
}

// The block a reply's digits spell, case-blind, so that upper-case digits must match and any
// other spelling of the same bytes must not; undecodable pairs give the erased byte 0xFF.
QByteArray BlockSpelledBy(const QByteArray& reply) {
    QByteArray block(FirmwareImage::kBlockSize, static_cast<char>(0xFF));
    for (int i = 0; i < block.size() && 8 + 2 * i < reply.size(); ++i) {
        const int high = HexValue(reply.at(7 + 2 * i));
        const int low = HexValue(reply.at(8 + 2 * i));
        if (high >= 0 && low >= 0) {
            block[i] = static_cast<char>(high << 4 | low);
        }
    }
    return block;
}

void CheckVerify(const QByteArray& reply) {
    static const char kDigits[] = "0123456789ABCDEF";
    const QByteArray block = BlockSpelledBy(reply);
    bool same = reply.size() >= 7 + 2 * block.size();
    for (int i = 0; same && i < block.size(); ++i) {
        const auto byte = static_cast<unsigned char>(block.at(i));
        same =
            reply.at(7 + 2 * i) == kDigits[byte >> 4] && reply.at(8 + 2 * i) == kDigits[byte & 15];
    }
    Check(VerifyReplyMatches(reply, block) == same);
}

void CheckPositions(const QByteArray& reply, int first, int last) {
    const QByteArray field = ReplyPositions(reply, first, last);
    const qint64 span = static_cast<qint64>(last) - first + 1;
    Check(field.size() <= (span > 0 ? span : 0));
    Check(field.isEmpty() || (first >= 1 && reply.mid(first - 1, field.size()) == field));
    const char one = ReplyPosition(reply, first);
    Check(one == (first >= 1 && first <= reply.size() ? reply.at(first - 1) : '\0'));
}

std::int16_t Signed16(const std::uint8_t* at) {
    return static_cast<std::int16_t>(at[0] | at[1] << 8);
}

}  // namespace

// Input: claimed length, then two positions (each a little-endian 16-bit signed number), then
// the reply bytes.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 6) {
        return 0;
    }
    const int length = Signed16(data);
    const QByteArray reply(reinterpret_cast<const char*>(data + 6),
                           static_cast<qsizetype>(size - 6));
    CheckConnectReaders(reply, length);
    CheckTestReaders(reply, length);
    CheckVerify(reply);
    CheckPositions(reply, Signed16(data + 2), Signed16(data + 4));
    return 0;
}
