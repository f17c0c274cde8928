#include <gtest/gtest.h>

#include <QByteArray>
#include <QString>

#include <optional>

#include "command_text.h"
#include "reply_fields.h"

namespace {

// A reply as the link keeps it: 0x03, body, 0x04, four checksum digits, 0x0D. Fields start at
// position 8, after six body characters of header.
QByteArray Reply(const QByteArray& fields, int totalLength) {
    QByteArray body = QByteArrayLiteral("000100") + fields;
    body = body.leftJustified(totalLength - 7, '-');
    return QByteArrayLiteral("\x03") + body + QByteArrayLiteral("\x04") + "1A2B\r";
}

QByteArray Identify(int length) {
    QByteArray body = QByteArrayLiteral("0001AC").leftJustified(length - 7, '0');
    return QByteArrayLiteral("\x03") + body + QByteArrayLiteral("\x04") + "1A2B\r";
}

TEST(ReplyFields, IdentifyOnlyAtSeventeenCharacters) {
    struct Case {
        QByteArray reply;
        int length;
        std::optional<QByteArray> id;
    };
    const Case cases[] = {
        {Identify(17), 17, QByteArrayLiteral("0001")},
        {Identify(16), 16, std::nullopt},
        {Identify(18), 18, std::nullopt},
        // A length that disagrees with the bytes is not trusted either way.
        {Identify(17), 16, std::nullopt},
        {Identify(16), 17, std::nullopt},
        {QByteArray(), 17, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseIdentifyReply(c.reply, c.length), c.id) << c.reply.toHex().constData();
    }
}

TEST(ReplyFields, VersionIsTwoHalvesWithThreeSpaces) {
    const QByteArray fields = QByteArrayLiteral("KR470QX520070623");
    EXPECT_EQ(ParseVersionReply(Reply(fields, 29), 29), QStringLiteral("KR470QX5   20070623"));
    for (int length : {28, 30}) {
        EXPECT_EQ(ParseVersionReply(Reply(fields, length), length), std::nullopt) << length;
    }
}

TEST(ReplyFields, SerialNumberPanel) {
    const auto serial = ParseSerialReply(Reply("12345678", 21), 21);
    ASSERT_TRUE(serial);
    EXPECT_EQ(SerialPanelText(*serial, "0001"), QStringLiteral("S/N:12345678   ID:0001"));
    EXPECT_EQ(ParseSerialReply(Reply("12345678", 22), 22), std::nullopt);
    EXPECT_EQ(ParseSerialReply(Reply("12345678", 20), 20), std::nullopt);
}

TEST(ReplyFields, OnlyAOneMakesAnInputActive) {
    struct Case {
        QByteArray inputs;
        InputStates active;
    };
    const Case cases[] = {
        {"10100000", {true, false, true, false, false, false, false, false}},
        {"00000001", {false, false, false, false, false, false, false, true}},
        {"2A 1x111", {false, false, false, true, false, true, true, true}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseInputsReply(Reply(c.inputs, 29), 29), c.active) << c.inputs.constData();
    }
    for (int length : {28, 30}) {
        EXPECT_EQ(ParseInputsReply(Reply("11111111", length), length), std::nullopt) << length;
    }
}

TEST(ReplyFields, PollClockAndRecordCopiedVerbatim) {
    const QByteArray clock = "20070623140509";
    const QByteArray record = QByteArrayLiteral("1") + "20070623101500" + "0001" + "12345";
    const QByteArray withRecord = clock + "........" + record;

    const auto clockOnly = ParsePollReply(Reply(clock, 35), 35);
    ASSERT_TRUE(clockOnly);
    EXPECT_EQ(clockOnly->clock, QStringLiteral("2007/06/23  14:05:09"));
    EXPECT_EQ(clockOnly->record, std::nullopt);

    const auto full = ParsePollReply(Reply(withRecord, 59), 59);
    ASSERT_TRUE(full);
    EXPECT_EQ(full->clock, QStringLiteral("2007/06/23  14:05:09"));
    EXPECT_EQ(full->record, QStringLiteral("[1] 2007/06/23  10:15:00 (0001) [12345]"));

    const auto odd = ParsePollReply(Reply("2O07 6AB1405 9", 35), 35);
    ASSERT_TRUE(odd);
    EXPECT_EQ(odd->clock, QStringLiteral("2O07/ 6/AB  14:05: 9"));

    for (int length : {34, 36, 58, 60}) {
        EXPECT_EQ(ParsePollReply(Reply(withRecord, length), length), std::nullopt) << length;
    }
}

TEST(CommandText, TypedTextIsSentByteForByte) {
    struct Case {
        QString typed;
        QByteArray sent;
    };
    const Case cases[] = {
        {QStringLiteral("ab c"), "ab c"},
        {QString(), ""},
        {QStringLiteral("\u00e9\u00ff"), "\xe9\xff"},
        // Beyond Latin-1 nothing is replaced by '?': the whole text goes out as UTF-8.
        {QStringLiteral("\u00e9\u20ac"), "\xc3\xa9\xe2\x82\xac"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TypedCommandBytes(c.typed), c.sent) << c.typed.toStdString();
    }
}

TEST(CommandText, FrameLimit) {
    EXPECT_TRUE(FitsInFrame(QByteArray(1493, 'A')));
    EXPECT_FALSE(FitsInFrame(QByteArray(1494, 'A')));
}

}  // namespace
