#include <gtest/gtest.h>

#include "speed_string.h"

namespace {

using P = LineSettings::Parity;
using S = LineSettings::StopBits;

TEST(SpeedStringTest, ParsesTheFourFields) {
    struct Case {
        const char* text;
        std::optional<LineSettings> expected;
    };
    const Case cases[] = {
        {"19200,e,8,1", LineSettings{19200, P::Even, 8, S::One}},
        {"9600,N,7,2", LineSettings{9600, P::None, 7, S::Two}},
        {" 4800 , o , 5 , 1.5 ", LineSettings{4800, P::Odd, 5, S::OneAndHalf}},
        {"115200,m,6,1", LineSettings{115200, P::Mark, 6, S::One}},
        {"300,S,8,1", LineSettings{300, P::Space, 8, S::One}},
        {"", std::nullopt},
        {"19200", std::nullopt},
        {"19200,e,8", std::nullopt},
        {"19200,e,8,1,x", std::nullopt},
        {"0,e,8,1", std::nullopt},
        {"-9600,e,8,1", std::nullopt},
        {"+9600,e,8,1", std::nullopt},
        {"19200x,e,8,1", std::nullopt},
        {"99999999999,e,8,1", std::nullopt},
        {"19200,x,8,1", std::nullopt},
        {"19200,ee,8,1", std::nullopt},
        {"19200,e,9,1", std::nullopt},
        {"19200,e,4,1", std::nullopt},
        {"19200,e,8,3", std::nullopt},
        {"19200,e,8,1.0", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const auto parsed = ParseSpeedString(c.text);
        ASSERT_EQ(parsed.has_value(), c.expected.has_value());
        if (parsed) {
            EXPECT_EQ(parsed->speed, c.expected->speed);
            EXPECT_EQ(parsed->parity, c.expected->parity);
            EXPECT_EQ(parsed->dataBits, c.expected->dataBits);
            EXPECT_EQ(parsed->stopBits, c.expected->stopBits);
        }
    }
}

// What bounds the serial link's waits: 1500 bytes at 19200,e,8,1 take 11 bits each.
TEST(SpeedStringTest, TransferTimeCountsEveryBitOnTheWire) {
    EXPECT_EQ(ParseSpeedString("19200,e,8,1")->TransferTime(1500).count(), 859375);
    EXPECT_EQ(ParseSpeedString("9600,n,8,1")->TransferTime(3).count(), 3125);
    EXPECT_EQ(ParseSpeedString("1200,o,7,1.5")->TransferTime(1).count(), 9166);
}

}  // namespace
