#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>

#include "frame_codec.h"
#include "reply_collector.h"

// The reply collector fed arbitrary bytes in arbitrary chunks, checked against a plain model of
// its rules: a reply is the bytes from the latest 0x03 through a 0x0D, complete only while it fits
// the buffer, and a 0x0D on the very last slot wraps the length to 0.
namespace {

struct Model {
    std::optional<std::size_t> sinceStart;  // bytes since the latest 0x03, that byte included

    void Reset() { sinceStart.reset(); }

    // The length the collector must report, or nothing when this byte completes no reply.
    std::optional<std::size_t> Feed(std::uint8_t byte) {
        if (byte == frame::kReplyStart) {
            sinceStart = 0;
        }
        if (sinceStart) {
            ++*sinceStart;
        }
        if (byte != frame::kFrameEnd || !sinceStart || *sinceStart > frame::kBufferSize) {
            return std::nullopt;
        }
        return *sinceStart % frame::kBufferSize;
    }
};

void Check(bool ok) {
    if (!ok) {
        __builtin_trap();
    }
}

// A completed reply as the link would take it: checked, never read past its length.
void CheckCompleted(const ReplyCollector& collector, std::size_t expected) {
    const std::size_t length = collector.Position();
    Check(length == expected);
    Check(length < frame::kBufferSize);
    Check(collector.Data()[0] == frame::kReplyStart);
    if (length == 0) {
        Check(collector.Data()[frame::kBufferSize - 1] == frame::kFrameEnd);
        return;
    }
    Check(collector.Data()[length - 1] == frame::kFrameEnd);
    Check(std::memchr(collector.Data() + 1, frame::kReplyStart, length - 1) == nullptr);
    (void)CheckReplyCrc(collector.Data(), length);
    (void)CheckReplyXor(collector.Data(), length);
}

}  // namespace

// Input: one mode byte, then chunks, each a length byte followed by that many bytes. In network
// mode the rest of a chunk is dropped once a reply completes, as one receive call's tail is; in
// serial mode the next transaction goes on with the following byte. Either way the next
// transaction starts with a cleared collector.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const bool network = (data[0] & 1) != 0;
    static ReplyCollector collector;
    collector.Reset();
    Model model;
    std::size_t at = 1;
    while (at < size) {
        const std::size_t chunk = data[at++];
        const std::size_t end = at + chunk < size ? at + chunk : size;
        for (; at < end; ++at) {
            const bool complete = collector.Feed(data[at]);
            const auto expected = model.Feed(data[at]);
            Check(complete == expected.has_value());
            if (complete) {
                CheckCompleted(collector, *expected);
                collector.Reset();
                model.Reset();
                if (network) {
                    at = end - 1;
                }
            }
        }
    }
    return 0;
}
