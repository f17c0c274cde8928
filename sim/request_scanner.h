#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

// One request frame taken off the wire: its command text when intact, or why it was refused.
struct ScannedRequest {
    bool intact = false;
    std::string command;
    std::string problem;
};

// Cuts the byte stream of one connection into request frames (0x01 .. 0x0D) and checks each:
// the 0x02 before four upper-case CRC digits, and the CRC itself.
class RequestScanner {
public:
    // Feeds received bytes; returns the frames they completed, in order.
    std::vector<ScannedRequest> Feed(std::string_view bytes);
    // Bytes skipped outside any frame since the last call (line noise), then reset.
    std::size_t TakeSkipped();
    void Reset();

private:
    static ScannedRequest Check(const std::string& frame);

    std::string pending_;
    bool inFrame_ = false;
    std::size_t skipped_ = 0;
};

}  // namespace sim
