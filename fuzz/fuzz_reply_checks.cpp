#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "frame_codec.h"

// Both reply checks on arbitrary bytes, held the way the link holds them: in a zeroed buffer of
// the link's size. A reply the builders make must pass its own check.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> buffer(frame::kBufferSize, 0);
    const std::size_t count = size < buffer.size() ? size : buffer.size();
    if (count > 0) {
        std::memcpy(buffer.data(), data, count);
    }
    (void)CheckReplyCrc(buffer.data(), count);
    (void)CheckReplyXor(buffer.data(), count);

    std::string body(reinterpret_cast<const char*>(data), count > 1400 ? 1400 : count);
    for (char& c : body) {
        if (c == 0x00 || c == 0x03 || c == 0x04 || c == 0x0D) {
            c = 'x';
        }
    }
    if (!CheckReplyCrc(BuildSerialReply(body)) || !CheckReplyXor(BuildNetworkReply(body))) {
        __builtin_trap();
    }
    return 0;
}
