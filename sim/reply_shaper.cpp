#include "reply_shaper.h"

#include <cctype>

#include "frame_codec.h"

namespace sim {

namespace {

constexpr std::size_t kHeader = 6;  // device ID and command code
constexpr std::string_view kNoise = "~U?*#%!&";

void LowerFrom(std::string& text, std::size_t from, std::size_t count) {
    for (std::size_t i = from; i < from + count && i < text.size(); ++i) {
        text[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[i])));
    }
}

std::string Frame(const std::string& body, LinkKind link) {
    if (link == LinkKind::Serial) {
        return BuildSerialReply(body);
    }
    return BuildNetworkReply(body + std::string(kNetworkBodyTail));
}

// Checksum digits sit just before the closing 0x0D: four on the serial link, two on the network.
std::size_t ChecksumDigits(LinkKind link) {
    return link == LinkKind::Serial ? 4 : 2;
}

std::vector<ReplyPlan::Piece> Split(const std::string& bytes, int pieces, int gapMs) {
    std::vector<ReplyPlan::Piece> out;
    const std::size_t count = static_cast<std::size_t>(pieces);
    const std::size_t size = bytes.size() / count + (bytes.size() % count != 0);
    for (std::size_t at = 0; at < bytes.size(); at += size) {
        out.push_back({out.empty() ? 0 : gapMs, bytes.substr(at, size)});
    }
    return out;
}

}  // namespace

ReplyPlan ShapeReply(std::string body, LinkKind link, const FaultEffects& faults) {
    ReplyPlan plan;
    plan.close = faults.close;
    if (faults.drop || faults.close) {
        return plan;
    }
    if (faults.lengthDelta > 0) {
        body.push_back('0');
    } else if (faults.lengthDelta < 0 && !body.empty()) {
        body.pop_back();
    }
    if (faults.lowerBody) {
        LowerFrom(body, kHeader, body.size());
    }
    std::string reply = Frame(body, link);
    const std::size_t digits = reply.size() - 1 - ChecksumDigits(link);
    if (faults.lowerChecksum) {
        LowerFrom(reply, digits, ChecksumDigits(link));
    }
    if (faults.corrupt) {
        reply[digits] = reply[digits] == '0' ? '1' : '0';
    }
    if (faults.twice) {
        reply += reply;
    }
    const std::size_t noise = static_cast<std::size_t>(faults.noiseBytes);
    std::string bytes;
    for (std::size_t i = 0; i < noise; ++i) {
        bytes.push_back(kNoise[i % kNoise.size()]);
    }
    bytes += reply;
    plan.pieces = Split(bytes, faults.pieces, faults.gapMs);
    plan.pieces.front().pauseMs = faults.delayMs;
    return plan;
}

}  // namespace sim
