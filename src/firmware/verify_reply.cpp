#include "verify_reply.h"

#include "reply_position.h"

namespace {

constexpr int kDataFirst = 8;

}  // namespace

QByteArray BlockHexText(QByteArrayView block) {
    return block.toByteArray().toHex().toUpper();
}

bool VerifyReplyMatches(const QByteArray& reply, QByteArrayView block) {
    const QByteArray expected = BlockHexText(block);
    const int last = kDataFirst + static_cast<int>(expected.size()) - 1;
    return ReplyPositions(reply, kDataFirst, last) == expected;
}
