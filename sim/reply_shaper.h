#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "fault_plan.h"

namespace sim {

enum class LinkKind { Serial, Network };

// The bytes of one reply as the endpoint must send them: pieces, each after a pause.
struct ReplyPlan {
    struct Piece {
        int pauseMs = 0;
        std::string bytes;
    };
    std::vector<Piece> pieces;
    bool close = false;  // hang up instead of replying
};

// The network reply's body carries three more bytes than the serial one, so both replies have
// the same length: the end-of-body byte and a status pair.
inline constexpr std::string_view kNetworkBodyTail =
    "\x04"
    "00";

// Frames a serial reply body for the link and applies the faults to it.
ReplyPlan ShapeReply(std::string body, LinkKind link, const FaultEffects& faults);

}  // namespace sim
