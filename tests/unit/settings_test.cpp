#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "reg_file_format.h"
#include "settings_key.h"
#include "settings_store.h"
#include "support/loaded_settings.h"
#include "support/unprivileged.h"

namespace {

QByteArray FileWith(const QByteArray& values) {
    return QByteArray(
               "Windows Registry Editor Version 5.00\n\n"
               "[HKEY_LOCAL_MACHINE\\Software\\VELMO\\KR470QX-V5]\n") +
           values;
}

class SettingsStore : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    void WriteRaw(const QByteArray& content) {
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
    }
    QByteArray ReadRaw() const {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    ToolSettings Load(int* storedType = nullptr) {
        ToolSettings settings;
        const int type = LoadSettings(path, settings);
        if (storedType) {
            *storedType = type;
        }
        return settings;
    }

    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("VELMO/KR470QX-V5.reg"));
};

TEST_F(SettingsStore, FirstRunGivesDefaultsAndWritesNothing) {
    int type = -1;
    const ToolSettings settings = Load(&type);
    ExpectLoaded(settings, type, {});
    EXPECT_EQ(settings.link, LinkSettings{});
    EXPECT_FALSE(QFileInfo::exists(path));
    EXPECT_FALSE(QFileInfo::exists(QFileInfo(path).path()));
}

struct LoadCase {
    const char* name;
    QByteArray values;
    LoadedSettings want;
};

TEST_F(SettingsStore, LoadsInOrderAndStopsAtAValueOfTheWrongType) {
    const QByteArray all =
        "\"FirmwareFile\"=\"C:\\\\fw\\\\\\\"new\\\".KXB\"\n\"TYPE\"=dword:00000001\n"
        "\"ComBaudRate\"=\"9600,n,8,1\"\n\"ComPortName\"=\"COM3\"\n\"NetIP\"=\"10.0.0.7\"\n"
        "\"NetPort\"=\"6000\"\n";
    const std::vector<LoadCase> cases = {
        {"all values",
         all + "\"LanguageFlag\"=\"ChineseBIG5\"\n",
         {.type = 1,
          .firmware = "C:\\fw\\\"new\".KXB",
          .speed = "9600,n,8,1",
          .port = "COM3",
          .ip = "10.0.0.7",
          .tcpPort = "6000",
          .flag = "ChineseBIG5",
          .language = Language::ChineseBIG5}},
        {"GB",
         "\"LanguageFlag\"=\"ChineseGB\"\n",
         {.flag = "ChineseGB", .language = Language::ChineseGB}},
        {"type 2", "\"TYPE\"=dword:00000002\n", {.type = 2}},
        {"type as text",
         "\"FirmwareFile\"=\"a.KXB\"\n\"TYPE\"=\"1\"\n\"ComPortName\"=\"COM3\"\n",
         {.firmware = "a.KXB"}},
        {"speed as integer",
         "\"TYPE\"=dword:00000001\n\"ComBaudRate\"=dword:00004b00\n",
         {.type = 1}},
        {"binary port",
         "\"NetIP\"=\"10.1.1.1\"\n\"NetPort\"=hex:35,30\n\"LanguageFlag\"=\"ChineseGB\"\n",
         {.ip = "10.1.1.1"}},
        {"expandable text taken literally",
         "\"NetIP\"=hex(2):25,00,49,00,50,00,25,00,00,00\n",
         {.ip = "%IP%"}},
        {"empty port name", "\"ComPortName\"=\"\"\n", {.port = ""}},
        {"NUL inside a text: not a file of ours",
         QByteArray("\"TYPE\"=dword:00000001\n\"ComPortName\"=\"CO\0M3\"\n", 44),
         {}},
        {"flag in lower case", "\"LanguageFlag\"=\"chinesegb\"\n", {.flag = "chinesegb"}},
    };
    for (const LoadCase& c : cases) {
        SCOPED_TRACE(c.name);
        WriteRaw(FileWith(c.values));
        int type = -1;
        const ToolSettings s = Load(&type);
        ExpectLoaded(s, type, c.want);
    }
}

TEST_F(SettingsStore, LoadingNeverWritesTheFile) {
    const QByteArray content =
        FileWith("\"LanguageFlag\"=\"chinesegb\"\n\"TYPE\"=dword:00000007\n");
    WriteRaw(content);
    const QDateTime modified = QFileInfo(path).lastModified();
    Load();
    EXPECT_EQ(ReadRaw(), content);
    EXPECT_EQ(QFileInfo(path).lastModified(), modified);
}

TEST_F(SettingsStore, NetworkSaveWritesTheEditsAndTheSerialPairAsHeld) {
    WriteRaw(
        FileWith("\"ComPortName\"=\"COM9\"\n\"ComBaudRate\"=\"1200,n,8,1\"\n"
                 "\"LanguageFlag\"=\"ChineseGB\"\n"));
    ToolSettings s = Load();
    s.link.type = LinkType::Network;
    s.link.ip = "10.0.0.9";
    s.link.tcpPort = "1";  // a text of digits, never an integer value
    SaveLinkSettings(path, s);

    const QByteArray raw = ReadRaw();
    EXPECT_TRUE(raw.contains("\"TYPE\"=dword:00000001\n")) << raw.constData();
    EXPECT_TRUE(raw.contains("\"NetPort\"=\"1\"\n")) << raw.constData();
    int type = -1;
    const ToolSettings back = Load(&type);
    EXPECT_EQ(type, 1);
    EXPECT_EQ(back.link.ip, "10.0.0.9");
    EXPECT_EQ(back.link.tcpPort, "1");
    EXPECT_EQ(back.link.portName, "COM9");
    EXPECT_EQ(back.link.speed, "1200,n,8,1");
    EXPECT_EQ(back.languageFlag, "ChineseGB");  // other values stay
}

TEST_F(SettingsStore, TextsWithBackslashesAndQuotesSurviveARoundTrip) {
    ToolSettings s;
    for (const char* text : {"C:\\Firmware\\KR470QX.KXB", "say \"hi\"", "\\\\\"\\", "\\", ""}) {
        SCOPED_TRACE(text);
        s.firmwareFile = QString::fromUtf8(text);
        SaveFirmwareFile(path, s);
        EXPECT_EQ(Load().firmwareFile, s.firmwareFile);
    }
    s.firmwareFile = QStringLiteral("/固件/新.KXB");
    SaveFirmwareFile(path, s);
    EXPECT_EQ(Load().firmwareFile, s.firmwareFile);
}

TEST_F(SettingsStore, DamagedFileCountsAsAbsentUntilASaveReplacesIt) {
    const std::vector<QByteArray> damaged = {
        "garbage\n",
        FileWith("\"TYPE\"=dword:1\n"),
        FileWith("\"ComPortName\"=\"COM1\n"),
        FileWith("\"ComPortName\"=\"a\\nb\"\n"),
        FileWith("ComPortName=\"COM1\"\n"),
        FileWith("[HKEY_LOCAL_MACHINE\\Software\\Other]\n\"TYPE\"=dword:00000001\n"),
        "\"TYPE\"=dword:00000001\n",
        QByteArray("Windows Registry Editor Version 5.00\n\"TYPE\"=dword:00000001\n"),
    };
    for (const QByteArray& content : damaged) {
        SCOPED_TRACE(content.constData());
        WriteRaw(content);
        int type = -1;
        EXPECT_EQ(Load(&type).link, LinkSettings{});
        EXPECT_EQ(type, 0);
        EXPECT_EQ(ReadRaw(), content);

        ToolSettings s;
        s.languageFlag = "ChineseBIG5";
        SaveLanguage(path, s);
        EXPECT_EQ(ReadRaw(), FileWith("\"LanguageFlag\"=\"ChineseBIG5\"\n"));
        QFile::remove(path);
    }
}

TEST_F(SettingsStore, HugeFileIsRefusedQuickly) {
    WriteRaw(FileWith("\"TYPE\"=dword:00000001\n"));
    ASSERT_TRUE(QFile::resize(path, 100 * 1024 * 1024));  // sparse: cheap to make
    const auto start = std::chrono::steady_clock::now();
    int type = -1;
    Load(&type);
    EXPECT_EQ(type, 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(200));
}

TEST_F(SettingsStore, ReadableButNotWritableStoreLoadsAsAbsentAndSavesNothing) {
    const QByteArray content = FileWith("\"TYPE\"=dword:00000001\n\"ComPortName\"=\"COM5\"\n");
    WriteRaw(content);
    const QFile::Permissions readable = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;
    const QFile::Permissions browsable =
        readable | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther | QFile::WriteOwner;
    ASSERT_TRUE(QFile::setPermissions(path, readable));
    ASSERT_TRUE(QFile::setPermissions(dir.path(), browsable));
    ASSERT_TRUE(QFile::setPermissions(QFileInfo(path).path(), browsable));
    EXPECT_TRUE(HoldsForUnprivilegedUser([this] {
        int type = -1;
        const bool absent = Load(&type).link.portName == "COM1" && type == 0;
        ToolSettings s;
        s.languageFlag = "ChineseGB";
        SaveLanguage(path, s);
        return absent && !SettingsWritable(path);
    }));
    EXPECT_EQ(ReadRaw(), content);
}

TEST(SettingsLocation, UserConfigFolderOfTheOrganisation) {
    EXPECT_TRUE(DefaultSettingsLocation().endsWith(QLatin1String("/VELMO/KR470QX-V5.reg")))
        << DefaultSettingsLocation().toStdString();
}

TEST(RegFile, TextsWithLineBreaksSurviveARoundTrip) {
    QSettings::SettingsMap map;
    map.insert("Note", QStringLiteral("A\nB\r\"C\"\\"));
    map.insert("Plain", QStringLiteral("COM1"));
    map.insert("LoneSurrogate", QString(QChar(0xD800)) + u'B');
    QByteArray content;
    ASSERT_TRUE(RegFile::Serialize(map, content));
    EXPECT_TRUE(
        content.contains("\"Note\"=hex(1):41,00,0a,00,42,00,0d,00,22,00,43,00,22,00,5c,00,00,00"))
        << content.toStdString();
    QSettings::SettingsMap back;
    ASSERT_TRUE(RegFile::Parse(content, back));
    EXPECT_EQ(back, map);
}

TEST(RegFile, IntegersAndTextsKeepTheirTypes) {
    QSettings::SettingsMap map;
    map.insert("TYPE", 1);
    map.insert("NetPort", QStringLiteral("1"));
    map.insert("Big", static_cast<int>(0xFFFFFFFFu));
    QByteArray content;
    ASSERT_TRUE(RegFile::Serialize(map, content));
    QSettings::SettingsMap back;
    ASSERT_TRUE(RegFile::Parse(content, back));
    EXPECT_EQ(back.value("TYPE").typeId(), QMetaType::Int);
    EXPECT_EQ(back.value("NetPort").typeId(), QMetaType::QString);
    EXPECT_EQ(back.value("Big").toInt(), -1);
    EXPECT_TRUE(content.contains("\"Big\"=dword:ffffffff"));
}

TEST(RegFile, AcceptsWindowsLineEndsAndAByteOrderMark) {
    QSettings::SettingsMap map;
    EXPECT_TRUE(
        RegFile::Parse("\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n\r\n"
                       "[HKEY_LOCAL_MACHINE\\Software\\VELMO\\KR470QX-V5]\r\n"
                       "\"NetIP\"=\"1.2.3.4\"\r\n",
                       map));
    EXPECT_EQ(map.value("NetIP").toString(), "1.2.3.4");
}

}  // namespace
