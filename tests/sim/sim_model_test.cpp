#include <gtest/gtest.h>

#include <string>

#include "controller_model.h"
#include "frame_codec.h"
#include "request_scanner.h"

namespace {

using sim::ControllerModel;

const QDateTime kNow(QDate(2026, 12, 8), QTime(20, 0, 0));

class ModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        model_.SetClockSource([this] { return now_; });
    }
    std::size_t ReplyLength(const std::string& command) {
        const auto body = model_.Handle(command);
        return body ? body->size() + 7 : 0;
    }

    QDateTime now_ = kNow;
    ControllerModel model_;
};

// Bad arguments of the fixed-length commands get a checked reply of the wrong length, which the
// tool reports as a failure; nothing changes.
TEST_F(ModelTest, MalformedArgumentsAreRefusedWithoutEffect) {
    const char* refused[] = {
        "0001AA2007062314050",
        "0001AA200706231405099",
        "0001AA2007062314050X",
        "0001AA20071323140509",
        "0001AA20070230140509",
        "0001JF7",
        "0001JF",
        "0001JF12",
        "0001JC00510002",
        "0001JC00110003",
        "0001AR02",
        "0001DG1",
        "0001DBX",
        "0001DDC1B",
        "0001DDA9B",
    };
    for (const char* command : refused) {
        const auto body = model_.Handle(command);
        ASSERT_TRUE(body.has_value()) << command;
        EXPECT_EQ(body->substr(body->size() - 2), "ER") << command;
    }
    EXPECT_EQ(model_.ClockOffsetSeconds(), 0);
    EXPECT_EQ(model_.Alarm(), 0);
    EXPECT_FALSE(model_.Output(1));
    EXPECT_EQ(model_.Reboots(), 0);
}

TEST_F(ModelTest, ClockFollowsTheTimeItWasSet) {
    EXPECT_EQ(ReplyLength("0001AA20070623140509"), 13u);
    now_ = now_.addSecs(75);
    const auto poll = model_.Handle("0001PI");
    ASSERT_TRUE(poll);
    EXPECT_EQ(poll->substr(6, 14), "20070623140624");
    EXPECT_EQ(ReplyLength("0001AR01"), 13u);  // factory settings put the clock back
    EXPECT_EQ(model_.Handle("0001PI")->substr(6, 14), "20261208200115");
}

TEST_F(ModelTest, OutputsFollowTheTestCommands) {
    model_.Handle("0001JC00210002");
    model_.Handle("0001JC00410002");
    EXPECT_EQ(model_.Handle("0001DG0")->substr(14, 4), "0101");
    model_.Handle("0001JD");
    EXPECT_FALSE(model_.Output(2) || model_.Output(4));
}

TEST_F(ModelTest, FlashProgramsAndReadsBackWholeBlocks) {
    std::string data;
    for (int i = 0; i < 512; ++i) {
        data += ByteToHex(static_cast<std::uint8_t>(255 - i % 256));
    }
    EXPECT_EQ(ReplyLength("0001Zp0000" + data), 0u) << "programming needs the opening command";
    ASSERT_EQ(ReplyLength("0001Zx6D2A"), 13u);
    const std::string lower = [&] {
        std::string s = data;
        for (auto& c : s)
            c = static_cast<char>(std::tolower(c));
        return s;
    }();
    const std::string silent[] = {
        "0001Zp0100" + data,  "0001ZpF800" + data,
        "0001Zp0400" + lower, "0001Zp0400" + data.substr(2),
        "0001Zp04g0" + data,  "0001Zv0010",
        "0001ZvF800",         "0001Zv00",
    };
    for (const auto& command : silent) {
        EXPECT_EQ(ReplyLength(command), 0u) << command.substr(0, 12);
    }
    EXPECT_EQ(ReplyLength("0001ZpF600" + data), 17u);
    EXPECT_EQ(*model_.Handle("0001ZvF600"), "0001Zv" + data);
    const auto& flash = model_.Flash();
    EXPECT_EQ(flash.size(), 63488u);
    EXPECT_EQ(flash[0xF600], 0xFF);
    EXPECT_EQ(flash[0xF601], 0xFE);
    EXPECT_EQ(std::count(flash.begin(), flash.end(), 0xFF), 63488 - 510);
    EXPECT_EQ(ReplyLength("0001ZrC4E9"), 13u);
    EXPECT_EQ(ReplyLength("0001ZpF600" + data), 0u) << "the final command closes the upgrade";
}

TEST_F(ModelTest, FactorySettingsDropRecordsButKeepIdentity) {
    model_.SetDeviceId("0042");
    model_.PushRecord({});
    model_.Handle("0042JF3");
    EXPECT_EQ(ReplyLength("0042AR01"), 13u);
    EXPECT_EQ(model_.PendingRecords(), 0u);
    EXPECT_EQ(model_.Alarm(), 0);
    EXPECT_EQ(model_.Handle("0000AC")->substr(0, 4), "0042");
    EXPECT_EQ(ReplyLength("0001DB"), 0u) << "old device ID";
}

TEST(RequestScanner, CutsTheStreamIntoCheckedFrames) {
    sim::RequestScanner scanner;
    std::string good = BuildRequestFrame("0001DB");
    std::string badCrc = good;
    badCrc[8] = badCrc[8] == 'A' ? 'B' : 'A';
    const std::string stream = "xy" + good.substr(0, 5) + good + badCrc +
                               "\x01"
                               "0001\r" +
                               "z" + BuildRequestFrame("");
    std::vector<sim::ScannedRequest> got;
    for (char c : stream) {  // byte by byte, as a slow line delivers them
        for (auto& r : scanner.Feed(std::string_view(&c, 1))) {
            got.push_back(r);
        }
    }
    ASSERT_EQ(got.size(), 5u);
    EXPECT_FALSE(got[0].intact);  // cut off by the next start byte
    EXPECT_TRUE(got[1].intact);
    EXPECT_EQ(got[1].command, "0001DB");
    EXPECT_FALSE(got[2].intact);
    EXPECT_FALSE(got[3].intact);
    EXPECT_TRUE(got[4].intact);
    EXPECT_EQ(got[4].command, "");
    EXPECT_EQ(scanner.TakeSkipped(), 3u);
    EXPECT_FALSE(scanner.Feed(std::string(1501, 'A').insert(0, 1, '\x01')).front().intact);
}

}  // namespace
