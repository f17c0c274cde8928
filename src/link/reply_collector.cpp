#include "reply_collector.h"

void ReplyCollector::Reset() {
    buffer_.fill(0);
    position_ = 0;
}

bool ReplyCollector::Feed(std::uint8_t byte) {
    if (byte == frame::kReplyStart) {
        position_ = 0;
    }
    buffer_[position_] = byte;
    if (++position_ == buffer_.size()) {
        position_ = 0;
    }
    return byte == frame::kFrameEnd && buffer_[0] == frame::kReplyStart;
}
