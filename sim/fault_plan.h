#pragma once

#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

// What the faults chosen for one request do to its reply.
struct FaultEffects {
    bool drop = false;
    bool corrupt = false;
    int lengthDelta = 0;
    int delayMs = 0;
    int pieces = 1;
    int gapMs = 0;
    int noiseBytes = 0;
    bool twice = false;
    bool lowerChecksum = false;
    bool lowerBody = false;
    bool close = false;
    std::vector<std::string> names;  // the faults applied, for the log
};

// Faults injected into replies, from a text such as "drop:code=Zp:first=2,corrupt:p=0.05".
// Probabilities draw from a generator seeded once, so a run with the same seed replays.
class FaultPlan {
public:
    enum class Kind { Drop, Corrupt, Length, Delay, Split, Noise, Twice, Lower, Close };

    struct Rule {
        Kind kind = Kind::Drop;
        std::string code;  // empty: every command
        int first = 0;     // > 0: only the first N matching requests
        double probability = 1;
        int value = 0;      // ms, pieces, bytes or length change, by kind
        int gapMs = 0;      // split only
        bool body = false;  // lower only: the body's hex data instead of the checksum
        int seen = 0;
    };

    FaultPlan() = default;
    static std::optional<FaultPlan> Parse(std::string_view faults, std::uint32_t seed,
                                          std::string* error = nullptr);
    static const char* Grammar();

    // The faults that strike a request with this command code; counts it against "first".
    FaultEffects Decide(std::string_view code);
    bool Empty() const { return rules_.empty(); }
    const std::vector<Rule>& Rules() const { return rules_; }

private:
    bool Strikes(Rule& rule);

    std::vector<Rule> rules_;
    std::mt19937 random_;
};

}  // namespace sim
