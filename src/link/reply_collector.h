#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "frame_codec.h"

// Gathers one reply, 0x03 through 0x0D, from bytes fed one at a time. No I/O, so any transport
// (and the fuzzer) can drive it.
class ReplyCollector {
public:
    // Clears the buffer and puts the write position back to the start.
    void Reset();

    // Stores one byte; true when it completes a reply. A 0x03 starts the reply again, and the
    // position wraps at the end of the buffer, so a reply must be shorter than the buffer.
    bool Feed(std::uint8_t byte);

    // The length of a completed reply: 0 when the position wrapped onto its closing byte.
    std::size_t Position() const { return position_; }
    const std::uint8_t* Data() const { return buffer_.data(); }

private:
    std::array<std::uint8_t, frame::kBufferSize> buffer_{};
    std::size_t position_ = 0;
};
