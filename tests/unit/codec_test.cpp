#include <gtest/gtest.h>

#include <map>
#include <string>

#include "frame_codec.h"

namespace {

// Protocol bytes written readably: '<' is 0x03, '|' is 0x04, '$' is 0x0D, '[' is 0x01, ']' 0x02.
std::string Wire(std::string_view text) {
    static const std::map<char, char> kControl = {
        {'<', '\x03'}, {'|', '\x04'}, {'$', '\r'}, {'[', '\x01'}, {']', '\x02'}};
    std::string s;
    for (const char c : text) {
        const auto control = kControl.find(c);
        s.push_back(control == kControl.end() ? c : control->second);
    }
    return s;
}

std::string Bytes(std::initializer_list<int> values) {
    std::string s;
    for (int v : values) {
        s.push_back(static_cast<char>(v));
    }
    return s;
}

TEST(FrameCodec, RequestFramesMatchTheWorkedExamples) {
    struct Case {
        std::string command;
        std::string frame;
    };
    const Case cases[] = {
        {"AB", Bytes({0x01, 0x41, 0x42, 0x02, 0x38, 0x39, 0x45, 0x30, 0x0D})},
        {"", Bytes({0x01, 0x02, 0x35, 0x31, 0x38, 0x30, 0x0D})},
        {"0000AC", Wire("[0000AC]DE5B$")},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(BuildRequestFrame(c.command), c.frame) << c.command;
    }
}

TEST(FrameCodec, LongestCommandFillsTheBufferExactly) {
    const std::string command(frame::kMaxCommandLength, 'x');
    EXPECT_EQ(BuildRequestFrame(command).size(), frame::kBufferSize);
}

TEST(FrameCodec, CrcMatchesPublishedCheckValues) {
    EXPECT_EQ(ComputeCrc16("123456789"), 0xBB3D);
    EXPECT_EQ(ComputeCrc16(Bytes({0x01, 0x41, 0x42, 0x02})), 0x89E0);
    EXPECT_EQ(ComputeCrc16(Bytes({0x03, 0x31, 0x32, 0x33, 0x04})), 0x00FE);
    EXPECT_EQ(ComputeCrc16(""), 0x0000);
}

TEST(FrameCodec, ByteToHexIsUpperCaseHighNibbleFirst) {
    const std::pair<int, const char*> cases[] = {{0x00, "00"}, {0x09, "09"}, {0x0A, "0A"},
                                                 {0x89, "89"}, {0xE0, "E0"}, {0xFF, "FF"}};
    for (const auto& [value, text] : cases) {
        EXPECT_EQ(ByteToHex(static_cast<std::uint8_t>(value)), text);
    }
}

// The request frame, the serial reply and the simulator's frame check all write a CRC this way.
TEST(FrameCodec, CrcDigitsAreUpperCaseHighByteFirst) {
    const std::pair<std::uint16_t, const char*> cases[] = {
        {0x0000, "0000"}, {0x00FE, "00FE"}, {0x89E0, "89E0"}, {0xBB3D, "BB3D"}, {0x0A0B, "0A0B"}};
    for (const auto& [crc, digits] : cases) {
        EXPECT_EQ(CrcDigits(crc), digits);
    }
}

TEST(FrameCodec, SerialReplyCheck) {
    struct Case {
        const char* what;
        std::string reply;
        bool ok;
    };
    const Case cases[] = {
        {"worked example", Wire("<123|00FE$"), true},
        {"lower-case digits", Wire("<123|00fe$"), false},
        {"one digit wrong", Wire("<123|00FF$"), false},
        {"no 0x04", Wire("<12300FE$"), false},
        {"bytes after the digits are not examined", Wire("<123|00FExyz$"), true},
        {"digits cut short", Wire("<123|00F"), false},
        {"empty", "", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CheckReplyCrc(c.reply), c.ok) << c.what;
    }
}

TEST(FrameCodec, SerialCheckNeverLooksPastTheReply) {
    // A 0x04 only in bytes beyond the reply's count must not rescue it.
    const std::string held = Wire("<123$|0000");
    EXPECT_FALSE(CheckReplyCrc(reinterpret_cast<const std::uint8_t*>(held.data()), 5));
}

TEST(FrameCodec, NetworkReplyCheck) {
    struct Case {
        const char* what;
        std::string reply;
        bool ok;
    };
    const Case cases[] = {
        {"worked example", Wire("<12333$"), true},
        {"four bytes, XOR of 0x03 alone", Wire("<03$"), true},
        {"three bytes", Wire("<0$"), false},
        {"upper-case digits", Bytes({0x03, 0x68}) + "6B\r", true},
        {"lower-case digits", Bytes({0x03, 0x68}) + "6b\r", false},
        {"0x04 is an ordinary body byte", Bytes({0x03, 0x04}) + "07\r", true},
        {"wrong sum", Wire("<12334$"), false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CheckReplyXor(c.reply), c.ok) << c.what;
    }
}

TEST(FrameCodec, ReplyBuildersPassTheirOwnLinkCheckOnly) {
    for (const std::string& body :
         {std::string(), std::string("0001KR470QX"), std::string(1030, 'A')}) {
        const std::string serial = BuildSerialReply(body);
        const std::string network = BuildNetworkReply(body);
        EXPECT_EQ(serial.size(), body.size() + 7);
        EXPECT_EQ(network.size(), body.size() + 4);
        EXPECT_TRUE(CheckReplyCrc(serial));
        EXPECT_TRUE(CheckReplyXor(network));
        EXPECT_FALSE(CheckReplyCrc(network));
    }
}

}  // namespace
