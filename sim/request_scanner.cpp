#include "request_scanner.h"

#include "frame_codec.h"

namespace sim {

namespace {

constexpr char kStart = static_cast<char>(frame::kRequestStart);
constexpr char kTextEnd = static_cast<char>(frame::kRequestEnd);
constexpr char kEnd = static_cast<char>(frame::kFrameEnd);

ScannedRequest Refused(std::string problem) {
    return {false, {}, std::move(problem)};
}

}  // namespace

std::vector<ScannedRequest> RequestScanner::Feed(std::string_view bytes) {
    std::vector<ScannedRequest> out;
    for (const char c : bytes) {
        if (c == kStart) {
            if (inFrame_) {
                out.push_back(Refused("frame cut off by a new start byte"));
            }
            pending_.assign(1, c);
            inFrame_ = true;
            continue;
        }
        if (!inFrame_) {
            ++skipped_;
            continue;
        }
        pending_.push_back(c);
        if (c == kEnd) {
            out.push_back(Check(pending_));
            pending_.clear();
            inFrame_ = false;
        } else if (pending_.size() > frame::kBufferSize) {
            // No frame of the tool is longer; drop it rather than buffer without bound.
            out.push_back(Refused("frame longer than 1500 bytes"));
            pending_.clear();
            inFrame_ = false;
        }
    }
    return out;
}

ScannedRequest RequestScanner::Check(const std::string& frame) {
    // 0x01, text, 0x02, four CRC digits, 0x0D.
    if (frame.size() < 7) {
        return Refused("frame of " + std::to_string(frame.size()) + " bytes is too short");
    }
    const std::size_t textEnd = frame.size() - 6;
    if (frame[textEnd] != kTextEnd) {
        return Refused("no 0x02 before the CRC digits");
    }
    const std::string expected =
        CrcDigits(ComputeCrc16(std::string_view(frame).substr(0, textEnd + 1)));
    const std::string got = frame.substr(textEnd + 1, 4);
    if (got != expected) {
        return Refused("CRC digits " + got + ", expected " + expected);
    }
    return {true, frame.substr(1, textEnd - 1), {}};
}

std::size_t RequestScanner::TakeSkipped() {
    const std::size_t n = skipped_;
    skipped_ = 0;
    return n;
}

void RequestScanner::Reset() {
    pending_.clear();
    inFrame_ = false;
    skipped_ = 0;
}

}  // namespace sim
