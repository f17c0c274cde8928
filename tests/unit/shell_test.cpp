#include <QCoreApplication>
#include <QSet>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <vector>

#include "language_font.h"
#include "port_list.h"
#include "reply_display.h"
#include "speaker.h"
#include "system_services.h"

namespace {

using namespace std::chrono_literals;

constexpr Language kLanguages[] = {Language::English, Language::ChineseGB, Language::ChineseBIG5};

TEST(TextTable, EveryEntryExistsInEveryLanguage) {
    for (int i = 0; i < kTextCount; ++i) {
        for (Language language : kLanguages) {
            const QString text = TextTable::Text(static_cast<TextId>(i), language);
            EXPECT_FALSE(text.isEmpty()) << "entry " << i;
            EXPECT_FALSE(text.contains(QChar::ReplacementCharacter)) << "entry " << i;
        }
        // English is plain ASCII; the Chinese columns are Chinese, except the language items.
        const QByteArray english = TextTable::Raw(i)[0];
        EXPECT_TRUE(std::all_of(english.begin(), english.end(), [](char c) { return c > 0; }));
        if (i != static_cast<int>(TextId::LanguageItems)) {
            EXPECT_NE(TextTable::Raw(i)[1], english) << "entry " << i;
        }
    }
}

// An entry added or dropped in the middle of the table shifts every name after it.
TEST(TextTable, NamesFindTheirEntries) {
    const std::pair<TextId, const char*> cases[] = {
        {TextId::WindowCaption, "KR470QX-V5 Tools V1.00"},
        {TextId::OpenPortError, "Open communication port error!"},
        {TextId::LanguageItems, "&English"},
        {TextId::ConnectingDevice, "Connecting device ..."},
        {TextId::CommandError, "Command error!"},
        {TextId::CancelTest, "Cancel test"},
        {TextId::SetReboot, "Set reboot"},
        {TextId::CommandTestButton, "Command test"},
        {TextId::LoadFirmwareFileError, "Load firmware file error!"},
        {TextId::Note, "Note !"},
    };
    for (const auto& [id, english] : cases) {
        EXPECT_EQ(TextTable::Text(id, Language::English), QString::fromLatin1(english));
    }
    EXPECT_TRUE(TextTable::Text(TextId::FirmwareNote, Language::English)
                    .startsWith(QStringLiteral("Upgrading the firmware of the Product")));
    EXPECT_EQ(kTextCount, 44);
}

TEST(TextTable, EntriesThatShareTextsAndTheLanguageItems) {
    for (Language language : kLanguages) {
        EXPECT_EQ(TextTable::Text(TextId::CommandTestPage, language),
                  TextTable::Text(TextId::CommandTestButton, language));
    }
    EXPECT_EQ(TextTable::Text(TextId::StartConnectDevice, Language::ChineseBIG5),
              TextTable::Text(TextId::ConnectDevice, Language::ChineseBIG5));
    EXPECT_EQ(TextTable::LanguageItem(Language::English), "&English");
    EXPECT_EQ(TextTable::LanguageItem(Language::ChineseGB), u"&Simplified chinese(简体)");
    EXPECT_EQ(TextTable::LanguageItem(Language::ChineseBIG5), u"&Traditional chinese(繁體)");
    // The firmware note is one line, wrapped by the memo.
    for (Language language : kLanguages) {
        EXPECT_FALSE(TextTable::Text(TextId::FirmwareNote, language).contains(u'\n'));
    }
}

TEST(TextTable, WindowFontPerLanguage) {
    struct Case {
        Language language;
        const char* face;
        int points;
    };
    QFont base;
    base.setBold(true);
    base.setItalic(true);
    for (const Case& c :
         {Case{Language::English, "MS Sans Serif", 10}, Case{Language::ChineseGB, "宋体", 12},
          Case{Language::ChineseBIG5, "細明體", 12}}) {
        const QFont font = LanguageWindowFont(c.language, base);
        EXPECT_EQ(font.family(), QString::fromUtf8(c.face));
        EXPECT_EQ(font.pointSize(), c.points);
        EXPECT_FALSE(font.bold());
        EXPECT_FALSE(font.italic());
        EXPECT_EQ(ColorFromText(FontOf(c.language).color), QColor(Qt::black));
    }
}

TEST(TextTable, FontColourTexts) {
    struct Case {
        const char* text;
        std::optional<QColor> colour;
    };
    const Case cases[] = {
        {"0x00000000", QColor(0, 0, 0)},
        {"0x000000FF", QColor(255, 0, 0)},  // red is the low byte
        {"0x0000ff00", QColor(0, 255, 0)},
        {"0X00FF0000", QColor(0, 0, 255)},
        {"0x00563412", QColor(0x12, 0x34, 0x56)},
        {"0x00FFFFFF", QColor(255, 255, 255)},
        {"255", QColor(255, 0, 0)},  // decimal without the prefix
        {"0", QColor(0, 0, 0)},
        {"", std::nullopt},
        {"0x", std::nullopt},
        {"black", std::nullopt},
        {"0xG0000000", std::nullopt},
        {"00FF", std::nullopt},  // hexadecimal needs its prefix
        {" 0x00000000", std::nullopt},
        {"-1", std::nullopt},
        {"0x01000000", std::nullopt},  // a system colour
        {"0xFF000008", std::nullopt},
        {"0x1000000000", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ColorFromText(c.text), c.colour);
    }
}

// A crossing is where the wave touches zero or changes sign between two samples.
int ZeroCrossings(const std::vector<std::int16_t>& samples) {
    int crossings = 0;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const bool flips = i > 0 && samples[i - 1] != 0 && samples[i] != 0 &&
                           (samples[i - 1] < 0) != (samples[i] < 0);
        crossings += samples[i] == 0 || flips;
    }
    return crossings;
}

TEST(Speaker, ToneSamplesHaveTheAskedLengthAndFrequency) {
    struct Case {
        int hz;
        std::chrono::milliseconds duration;
        std::size_t samples;
        int crossings;
    };
    for (const Case& c : {Case{1000, 300ms, 14400, 600}, Case{300, 300ms, 14400, 180},
                          Case{1000, 100ms, 4800, 200}, Case{440, 1000ms, 48000, 880}}) {
        SCOPED_TRACE(c.hz);
        const auto samples = ToneSamples(c.hz, c.duration, 48000);
        EXPECT_EQ(samples.size(), c.samples);
        EXPECT_EQ(ZeroCrossings(samples), c.crossings);
        const auto [low, high] = std::minmax_element(samples.begin(), samples.end());
        EXPECT_LT(*high, 32767);
        EXPECT_GT(*low, -32767);
        EXPECT_GT(*high, 8000);  // audible, not a whisper
    }
    EXPECT_TRUE(ToneSamples(0, 300ms, 48000).empty());
    EXPECT_TRUE(ToneSamples(1000, 0ms, 48000).empty());
    EXPECT_TRUE(ToneSamples(1000, -5ms, 48000).empty());
}

TEST(SystemServices, PauseNeverEndsEarly) {
    SystemServices services;
    for (const auto duration : {1ms, 4ms, 20ms, 50ms}) {
        const auto start = std::chrono::steady_clock::now();
        services.Pause(duration);
        const auto took = std::chrono::steady_clock::now() - start;
        EXPECT_GE(took, duration);
        EXPECT_LT(took, duration + 50ms);
    }
}

// The long pause (the 7000 ms after the final firmware command) keeps its length and runs the
// window's events meanwhile, timers among them; the plain pause runs none.
TEST(SystemServices, LongPauseRunsEventsAndNeverEndsEarly) {
    int argc = 1;
    char name[] = "shell_test";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    SystemServices services;
    int ticks = 0;
    QTimer timer;
    timer.setInterval(20);
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start();
    services.Pause(100ms);
    EXPECT_EQ(ticks, 0);
    const auto start = std::chrono::steady_clock::now();
    services.LongPause(200ms);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, 200ms);
    EXPECT_LT(took, 300ms);
    EXPECT_GE(ticks, 5);
}

TEST(PortList, SystemNamesAreTrimmedButOtherwiseKept) {
    struct Case {
        QStringList system;
        QStringList items;
    };
    const QStringList fallback = {"COM1",  "COM2",  "COM3",  "COM4",  "COM5",  "COM6",
                                  "COM7",  "COM8",  "COM9",  "COM10", "COM11", "COM12",
                                  "COM13", "COM14", "COM15", "COM16"};
    const std::vector<Case> cases = {
        {{"COM3", "COM1"}, {"COM3", "COM1"}},
        {{" COM4 "}, {"COM4"}},
        {{"\t\x01/dev/ttyUSB0\r\n"}, {"/dev/ttyUSB0"}},
        {{"COM1", "COM1", "", "  "}, {"COM1", "COM1", "", ""}},
        {{"COM 7"}, {"COM 7"}},
        {{}, fallback},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.system.join('|').toStdString());
        EXPECT_EQ(PortListItems(c.system), c.items);
    }
    EXPECT_EQ(TrimControlAndBlanks(QStringLiteral(u"\u00A0x\u00A0")),
              QStringLiteral(u"\u00A0x\u00A0"));
}

TEST(ReplyDisplay, FramingBytesBecomeVisible) {
    EXPECT_EQ(ReplyDisplayText(QByteArray("\x03"
                                          "0001AB\x04"
                                          "1234\x0D",
                                          13)),
              QStringLiteral(u"\u24030001AB\u24041234\u240D"));
    EXPECT_EQ(ReplyDisplayText(QByteArray("\xE9\x00\x7F", 3)),
              QString::fromUtf16(u"\u00E9\u0000\u007F", 3));
    EXPECT_EQ(ReplyDisplayText({}), "");
}

}  // namespace
