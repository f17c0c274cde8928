#include <gtest/gtest.h>

#include <string>

#include "fault_plan.h"
#include "frame_codec.h"
#include "reply_shaper.h"

namespace {

using sim::FaultPlan;

TEST(FaultPlan, ParsesGoodFaultListsAndNamesWhatIsWrongWithBadOnes) {
    struct Case {
        const char* faults;
        bool good;
        std::size_t rules;
    };
    const Case cases[] = {
        {"", true, 0},
        {"drop", true, 1},
        {"drop:code=Zp:first=2", true, 1},
        {"drop:p=0.1,corrupt:p=0.05", true, 2},
        {"delay:ms=400:code=PI,split:pieces=4:gap=30,noise:n=3,twice,close:first=1", true, 5},
        {"length:delta=-1,length:delta=+1,lower:part=body,lower", true, 4},
        {"p=1", false, 0},
        {"explode", false, 0},
        {"drop:", false, 0},
        {"drop:code=Z", false, 0},
        {"drop:first=0", false, 0},
        {"drop:first=2:p=0.5", false, 0},
        {"drop:p=1.5", false, 0},
        {"drop:p=.5", false, 0},
        {"drop:ms=5", false, 0},
        {"delay:ms=-1", false, 0},
        {"split:pieces=1", false, 0},
        {"length:delta=0", false, 0},
        {"lower:part=all", false, 0},
        {"drop,,corrupt", false, 0},
    };
    for (const auto& c : cases) {
        std::string error;
        const auto plan = FaultPlan::Parse(c.faults, 1, &error);
        EXPECT_EQ(plan.has_value(), c.good) << c.faults;
        if (plan) {
            EXPECT_EQ(plan->Rules().size(), c.rules) << c.faults;
        } else {
            EXPECT_FALSE(error.empty()) << c.faults;
        }
    }
}

std::string Strikes(const char* faults, std::uint32_t seed, int n) {
    auto plan = FaultPlan::Parse(faults, seed);
    std::string pattern;
    for (int i = 0; i < n; ++i) {
        pattern += plan->Decide("DB").drop ? 'x' : '.';
    }
    return pattern;
}

TEST(FaultPlan, ProbabilitiesReplayWithTheSeed) {
    EXPECT_EQ(Strikes("drop:p=0.3", 7, 200), Strikes("drop:p=0.3", 7, 200));
    EXPECT_NE(Strikes("drop:p=0.3", 7, 200), Strikes("drop:p=0.3", 8, 200));
    EXPECT_EQ(Strikes("drop:p=0", 7, 50), std::string(50, '.'));
    EXPECT_EQ(Strikes("drop:p=1", 7, 50), std::string(50, 'x'));
    const std::string half = Strikes("drop:p=0.5", 3, 2000);
    const auto hits = std::count(half.begin(), half.end(), 'x');
    EXPECT_GT(hits, 900);
    EXPECT_LT(hits, 1100);
    EXPECT_EQ(Strikes("drop:first=3", 1, 6), "xxx...");
}

TEST(FaultPlan, RulesForOneCodeLeaveOthersAlone) {
    auto plan = FaultPlan::Parse("drop:code=Zp:first=1,delay:ms=40:code=PI", 1);
    EXPECT_FALSE(plan->Decide("Zv").drop);
    EXPECT_EQ(plan->Decide("PI").delayMs, 40);
    EXPECT_TRUE(plan->Decide("Zp").drop);
    EXPECT_FALSE(plan->Decide("Zp").drop);
}

TEST(ReplyShaper, NetworkAndSerialRepliesHaveTheSameLength) {
    for (const std::string& body : {std::string(), std::string("0001AC"), std::string(1030, 'F')}) {
        const auto serial = sim::ShapeReply(body, sim::LinkKind::Serial, {});
        const auto network = sim::ShapeReply(body, sim::LinkKind::Network, {});
        EXPECT_EQ(serial.pieces.at(0).bytes.size(), body.size() + 7);
        EXPECT_EQ(network.pieces.at(0).bytes.size(), body.size() + 7);
        EXPECT_TRUE(CheckReplyCrc(serial.pieces[0].bytes));
        EXPECT_TRUE(CheckReplyXor(network.pieces[0].bytes));
    }
}

TEST(ReplyShaper, SplitKeepsEveryByteInOrder) {
    sim::FaultEffects faults;
    faults.pieces = 4;
    faults.gapMs = 15;
    faults.delayMs = 70;
    faults.noiseBytes = 3;
    const auto plan = sim::ShapeReply("0001DBKR470QX-V5.01.07", sim::LinkKind::Serial, faults);
    ASSERT_EQ(plan.pieces.size(), 4u);
    std::string all;
    for (const auto& piece : plan.pieces) {
        all += piece.bytes;
    }
    EXPECT_EQ(all.substr(3), BuildSerialReply("0001DBKR470QX-V5.01.07"));
    EXPECT_EQ(plan.pieces[0].pauseMs, 70);
    EXPECT_EQ(plan.pieces[3].pauseMs, 15);
}

}  // namespace
