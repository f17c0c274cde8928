#include "reply_fields.h"

#include "command_text.h"
#include "reply_position.h"

namespace {

constexpr int kIdentifyLength = 17;
constexpr int kVersionLength = 29;
constexpr int kSerialLength = 21;
constexpr int kInputsLength = 29;
constexpr int kPollClockLength = 35;
constexpr int kPollRecordLength = 59;

// The length handed over must be the real one: a reply whose bytes disagree is not trusted.
bool HasLength(const QByteArray& reply, int length, int expected) {
    return length == expected && reply.size() == expected;
}

QString Field(const QByteArray& reply, int first, int last) {
    return ReplyText(ReplyPositions(reply, first, last));
}

// Year at first (four characters), then month, day, hour, minutes, seconds (two each).
QString DateTimeText(const QByteArray& reply, int first) {
    const auto part = [&](int offset, int size) {
        return Field(reply, first + offset, first + offset + size - 1);
    };
    return part(0, 4) + '/' + part(4, 2) + '/' + part(6, 2) + QStringLiteral("  ") + part(8, 2) +
           ':' + part(10, 2) + ':' + part(12, 2);
}

QString RecordText(const QByteArray& reply) {
    return '[' + Field(reply, 30, 30) + QStringLiteral("] ") + DateTimeText(reply, 31) +
           QStringLiteral(" (") + Field(reply, 45, 48) + QStringLiteral(") [") +
           Field(reply, 49, 53) + ']';
}

}  // namespace

std::optional<QByteArray> ParseIdentifyReply(const QByteArray& reply, int length) {
    if (!HasLength(reply, length, kIdentifyLength)) {
        return std::nullopt;
    }
    return ReplyPositions(reply, 2, 5);
}

std::optional<QString> ParseVersionReply(const QByteArray& reply, int length) {
    if (!HasLength(reply, length, kVersionLength)) {
        return std::nullopt;
    }
    return Field(reply, 8, 15) + QStringLiteral("   ") + Field(reply, 16, 23);
}

std::optional<QString> ParseSerialReply(const QByteArray& reply, int length) {
    if (!HasLength(reply, length, kSerialLength)) {
        return std::nullopt;
    }
    return Field(reply, 8, 15);
}

QString SerialPanelText(const QString& serial, const QByteArray& deviceId) {
    return QStringLiteral("S/N:") + serial + QStringLiteral("   ID:") + ReplyText(deviceId);
}

std::optional<InputStates> ParseInputsReply(const QByteArray& reply, int length) {
    if (!HasLength(reply, length, kInputsLength)) {
        return std::nullopt;
    }
    InputStates states{};
    for (int k = 1; k <= 8; ++k) {
        states[k - 1] = ReplyPosition(reply, 7 + k) == '1';
    }
    return states;
}

std::optional<PollReply> ParsePollReply(const QByteArray& reply, int length) {
    const bool withRecord = HasLength(reply, length, kPollRecordLength);
    if (!withRecord && !HasLength(reply, length, kPollClockLength)) {
        return std::nullopt;
    }
    PollReply poll{DateTimeText(reply, 8), std::nullopt};
    if (withRecord) {
        poll.record = RecordText(reply);
    }
    return poll;
}
