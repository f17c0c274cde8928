#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "reply_collector.h"

namespace {

struct Case {
    const char* name;
    std::vector<std::string> chunks;  // fed in order until a reply completes
    bool complete;
    std::string reply;     // what the buffer holds up to the position, when complete
    std::size_t leftOver;  // bytes of the last chunk not fed
};

// Built in place: GCC 12 at -O3 takes a literal prepended to a temporary for an overlapping copy.
std::string Long(std::size_t total) {
    std::string reply(total, 'x');
    reply.front() = '\x03';
    reply.back() = '\r';
    return reply;
}

TEST(ReplyCollectorTest, CollectsFromStartByteToCarriageReturn) {
    const std::vector<Case> cases = {
        {"whole",
         {"\x03"
          "AB\r"},
         true,
         "\x03"
         "AB\r",
         0},
        {"split in chunks",
         {"\x03", "A", "B\r"},
         true,
         "\x03"
         "AB\r",
         0},
        {"noise first",
         {"zz\r\x04",
          "\x03"
          "AB\r"},
         true,
         "\x03"
         "AB\r",
         0},
        {"start byte restarts",
         {"\x03"
          "AB\x03"
          "CD\r"},
         true,
         "\x03"
         "CD\r",
         0},
        {"0x0D without start is stored", {"AB\r", "CD"}, false, "", 0},
        {"stops at the first end",
         {"\x03"
          "A\r\x03"
          "B\r"},
         true,
         "\x03"
         "A\r",
         3},
        {"empty reply", {"\x03\r"}, true, "\x03\r", 0},
        {"longest that fits", {Long(1499)}, true, Long(1499), 0},
        {"wraps onto its end", {Long(1500)}, true, "", 0},
        {"start overwritten by the wrap", {Long(1501)}, false, "", 0},
        {"wrap then restart",
         {Long(1600),
          "\x03"
          "OK\r"},
         true,
         "\x03"
         "OK\r",
         0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ReplyCollector collector;
        collector.Reset();
        bool complete = false;
        std::size_t leftOver = 0;
        for (const auto& chunk : c.chunks) {
            for (std::size_t n = 0; n < chunk.size() && !complete; ++n) {
                complete = collector.Feed(static_cast<std::uint8_t>(chunk[n]));
                leftOver = chunk.size() - n - 1;
            }
        }
        EXPECT_EQ(complete, c.complete);
        if (complete) {
            EXPECT_EQ(
                std::string(reinterpret_cast<const char*>(collector.Data()), collector.Position()),
                c.reply);
            EXPECT_EQ(leftOver, c.leftOver);
        }
    }
}

TEST(ReplyCollectorTest, ResetForgetsEarlierBytes) {
    ReplyCollector collector;
    for (const char byte : std::string("\x03"
                                       "AB")) {
        collector.Feed(static_cast<std::uint8_t>(byte));
    }
    collector.Reset();
    EXPECT_FALSE(collector.Feed('\r'));
}

}  // namespace
