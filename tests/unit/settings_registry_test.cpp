// The settings store on the Windows registry: a key of its own per test, in the machine hive's
// two views and in the user's hive, written and read back with the registry's own calls.
#include <windows.h>

#include <aclapi.h>

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "settings_key.h"
#include "settings_store.h"
#include "support/loaded_settings.h"

namespace {

struct Place {
    HKEY hive;
    REGSAM view;
    const char* name;
};
const Place kUser{HKEY_CURRENT_USER, 0, "HKCU"};
const Place kMachine64{HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, "HKLM 64-bit"};
const Place kMachine32{HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, "HKLM 32-bit"};

struct Raw {
    const wchar_t* name;
    DWORD type;
    std::vector<BYTE> data;
};

Raw Text(const wchar_t* name, const std::wstring& text, DWORD type = REG_SZ) {
    const auto* bytes = reinterpret_cast<const BYTE*>(text.c_str());
    return {name, type, std::vector<BYTE>(bytes, bytes + (text.size() + 1) * sizeof(wchar_t))};
}

Raw Number(const wchar_t* name, DWORD value, DWORD type = REG_DWORD) {
    const auto* bytes = reinterpret_cast<const BYTE*>(&value);
    return {name, type, std::vector<BYTE>(bytes, bytes + sizeof(value))};
}

class RegistryStore : public ::testing::Test {
protected:
    void SetUp() override {
        path = QStringLiteral("Software\\VELMO\\KR470QX-V5-test-%1-%2")
                   .arg(QCoreApplication::applicationPid())
                   .arg(QString::fromLatin1(
                       ::testing::UnitTest::GetInstance()->current_test_info()->name()));
        for (const Place& place : {kUser, kMachine64, kMachine32}) {
            Remove(place);
        }
    }
    void TearDown() override {
        for (const Place& place : {kUser, kMachine64, kMachine32}) {
            Remove(place);
        }
    }

    std::wstring WidePath() const { return path.toStdWString(); }

    void Put(const Place& place, const std::vector<Raw>& values) {
        HKEY key = nullptr;
        ASSERT_EQ(::RegCreateKeyExW(place.hive, WidePath().c_str(), 0, nullptr, 0,
                                    KEY_SET_VALUE | place.view, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        for (const Raw& value : values) {
            ASSERT_EQ(::RegSetValueExW(key, value.name, 0, value.type, value.data.data(),
                                       static_cast<DWORD>(value.data.size())),
                      ERROR_SUCCESS);
        }
        ::RegCloseKey(key);
    }

    bool Exists(const Place& place) const {
        HKEY key = nullptr;
        if (::RegOpenKeyExW(place.hive, WidePath().c_str(), 0, KEY_QUERY_VALUE | place.view,
                            &key) != ERROR_SUCCESS) {
            return false;
        }
        ::RegCloseKey(key);
        return true;
    }

    // The stored type and text (or number) of a value; type 0 when it is absent.
    std::pair<DWORD, std::wstring> Get(const Place& place, const wchar_t* name) const {
        wchar_t data[512] = {};
        DWORD size = sizeof(data) - sizeof(wchar_t);
        DWORD type = 0;
        if (::RegGetValueW(place.hive, WidePath().c_str(), name,
                           RRF_RT_ANY | RRF_NOEXPAND |
                               (place.view == KEY_WOW64_32KEY   ? RRF_SUBKEY_WOW6432KEY
                                : place.view == KEY_WOW64_64KEY ? RRF_SUBKEY_WOW6464KEY
                                                                : 0),
                           &type, data, &size) != ERROR_SUCCESS) {
            return {0, {}};
        }
        if (type == REG_DWORD) {
            DWORD number = 0;
            std::memcpy(&number, data, sizeof(number));
            return {type, std::to_wstring(number)};
        }
        return {type, data};
    }

    void Remove(const Place& place) {
        // A key made read-only by a test gets its default security back first.
        HKEY key = nullptr;
        if (::RegOpenKeyExW(place.hive, WidePath().c_str(), 0, WRITE_DAC | place.view, &key) ==
            ERROR_SUCCESS) {
            ::SetSecurityInfo(key, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                              nullptr, nullptr);
            ::RegCloseKey(key);
        }
        ::RegDeleteKeyExW(place.hive, WidePath().c_str(), place.view, 0);
    }

    // What a user without administrator rights meets: the key can be read, not written.
    bool MakeReadOnly(const Place& place) {
        HKEY key = nullptr;
        if (::RegOpenKeyExW(place.hive, WidePath().c_str(), 0, WRITE_DAC | place.view, &key) !=
            ERROR_SUCCESS) {
            return false;
        }
        EXPLICIT_ACCESSW access{};
        wchar_t everyone[] = L"EVERYONE";
        ::BuildExplicitAccessWithNameW(&access, everyone, KEY_READ, SET_ACCESS, NO_INHERITANCE);
        PACL acl = nullptr;
        bool done =
            ::SetEntriesInAclW(1, &access, nullptr, &acl) == ERROR_SUCCESS &&
            ::SetSecurityInfo(key, SE_REGISTRY_KEY,
                              DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                              nullptr, nullptr, acl, nullptr) == ERROR_SUCCESS;
        ::LocalFree(acl);
        ::RegCloseKey(key);
        HKEY probe = nullptr;
        // Only meaningful where the registry enforces it.
        if (done && ::RegOpenKeyExW(place.hive, WidePath().c_str(), 0, KEY_SET_VALUE | place.view,
                                    &probe) == ERROR_SUCCESS) {
            ::RegCloseKey(probe);
            done = false;
        }
        return done;
    }

    ToolSettings Load(int* storedType = nullptr) {
        ToolSettings settings;
        const int type = LoadSettings(path, settings);
        if (storedType) {
            *storedType = type;
        }
        return settings;
    }

    QString path;
};

TEST_F(RegistryStore, FirstRunGivesDefaultsAndCreatesNothing) {
    int type = -1;
    const ToolSettings settings = Load(&type);
    ExpectLoaded(settings, type, {});
    EXPECT_EQ(settings.link, LinkSettings{});
    for (const Place& place : {kUser, kMachine64, kMachine32}) {
        EXPECT_FALSE(Exists(place)) << place.name;
    }
}

struct TypeCase {
    const char* name;
    std::vector<Raw> values;
    LoadedSettings want;
};

TEST_F(RegistryStore, ReadsTextsAndTheIntegerAndStopsAtAValueOfAnotherType) {
    const std::vector<TypeCase> cases = {
        {"all values",
         {Text(L"FirmwareFile", L"C:\\fw\\固件.KXB"), Number(L"TYPE", 1),
          Text(L"ComBaudRate", L"9600,n,8,1"), Text(L"ComPortName", L"COM12"),
          Text(L"NetIP", L"10.0.0.7"), Text(L"NetPort", L"6000"),
          Text(L"LanguageFlag", L"ChineseBIG5")},
         {.type = 1,
          .firmware = "C:\\fw\\固件.KXB",
          .speed = "9600,n,8,1",
          .port = "COM12",
          .ip = "10.0.0.7",
          .tcpPort = "6000",
          .flag = "ChineseBIG5",
          .language = Language::ChineseBIG5}},
        {"TYPE 2", {Number(L"TYPE", 2)}, {.type = 2}},
        {"TYPE as text stops there",
         {Text(L"FirmwareFile", L"a.KXB"), Text(L"TYPE", L"1"), Text(L"ComPortName", L"COM3")},
         {.firmware = "a.KXB"}},
        {"TYPE big-endian is no REG_DWORD",
         {Number(L"TYPE", 1, REG_DWORD_BIG_ENDIAN), Text(L"ComPortName", L"COM3")},
         {}},
        {"speed as integer stops there",
         {Number(L"TYPE", 1), Number(L"ComBaudRate", 19200), Text(L"NetIP", L"10.1.1.1")},
         {.type = 1}},
        {"binary port stops there",
         {Text(L"ComBaudRate", L"4800,n,8,1"),
          {L"ComPortName", REG_BINARY, {'C', 0, 'O', 0}},
          Text(L"LanguageFlag", L"ChineseGB")},
         {.speed = "4800,n,8,1"}},
        {"multi-string is no text",
         {{L"NetIP", REG_MULTI_SZ, {'1', 0, 0, 0, 0, 0}}, Text(L"LanguageFlag", L"ChineseGB")},
         {}},
        {"expandable text taken literally",
         {Text(L"NetIP", L"%COMPUTERNAME%", REG_EXPAND_SZ)},
         {.ip = "%COMPUTERNAME%"}},
        {"empty port name", {Text(L"ComPortName", L"")}, {.port = ""}},
        {"text without its closing NUL",
         {{L"ComPortName", REG_SZ, {'C', 0, 'O', 0, 'M', 0, '7', 0}}},
         {.port = "COM7"}},
        {"flag in lower case", {Text(L"LanguageFlag", L"chinesegb")}, {.flag = "chinesegb"}},
    };
    for (const TypeCase& c : cases) {
        SCOPED_TRACE(c.name);
        Remove(kMachine64);
        Put(kMachine64, c.values);
        int type = -1;
        const ToolSettings s = Load(&type);
        ExpectLoaded(s, type, c.want);
    }
}

TEST_F(RegistryStore, SavesTextsAsStringsAndTheLinkTypeAsDword) {
    ToolSettings s = Load();
    s.link.type = LinkType::Network;
    s.link.ip = "127.0.0.1";
    s.link.tcpPort = "5003";
    SaveLinkSettings(path, s);
    s.firmwareFile = QStringLiteral("D:\\固件\\\"new\".KXB");
    SaveFirmwareFile(path, s);
    s.languageFlag = "ChineseGB";
    SaveLanguage(path, s);

    // A first save with no key anywhere creates it where it always was: HKLM, 64-bit view.
    EXPECT_FALSE(Exists(kUser));
    EXPECT_FALSE(Exists(kMachine32));
    const std::pair<DWORD, std::wstring> expected[] = {
        {REG_DWORD, L"1"},        {REG_SZ, L"5003"}, {REG_SZ, L"127.0.0.1"},
        {REG_SZ, L"19200,e,8,1"}, {REG_SZ, L"COM1"}, {REG_SZ, L"D:\\固件\\\"new\".KXB"},
        {REG_SZ, L"ChineseGB"},
    };
    const wchar_t* names[] = {L"TYPE",        L"NetPort",      L"NetIP",       L"ComBaudRate",
                              L"ComPortName", L"FirmwareFile", L"LanguageFlag"};
    for (std::size_t i = 0; i < std::size(names); ++i) {
        EXPECT_EQ(Get(kMachine64, names[i]), expected[i]) << i;
    }
    int type = -1;
    const ToolSettings back = Load(&type);
    EXPECT_EQ(type, 1);
    EXPECT_EQ(back.firmwareFile, s.firmwareFile);
    EXPECT_EQ(back.language, Language::ChineseGB);
}

// A store an earlier 32-bit build left in WOW6432Node is read, and saved to where it is.
TEST_F(RegistryStore, StoreOfA32BitBuildIsReadAndKeptInItsView) {
    Put(kMachine32,
        {Number(L"TYPE", 1), Text(L"NetIP", L"10.9.8.7"), Text(L"LanguageFlag", L"ChineseGB")});
    int type = -1;
    ToolSettings s = Load(&type);
    EXPECT_EQ(type, 1);
    EXPECT_EQ(s.link.ip, "10.9.8.7");
    EXPECT_EQ(s.language, Language::ChineseGB);

    s.languageFlag = "ChineseBIG5";
    SaveLanguage(path, s);
    EXPECT_EQ(Get(kMachine32, L"LanguageFlag"),
              std::make_pair(DWORD{REG_SZ}, std::wstring(L"ChineseBIG5")));
    EXPECT_FALSE(Exists(kMachine64));
    EXPECT_FALSE(Exists(kUser));
    EXPECT_EQ(Load().languageFlag, "ChineseBIG5");
}

// Where both views hold a value, the 64-bit one is this build's own and wins.
TEST_F(RegistryStore, The64BitViewComesBeforeThe32BitView) {
    Put(kMachine32, {Text(L"NetIP", L"10.0.0.32"), Text(L"NetPort", L"32")});
    Put(kMachine64, {Text(L"NetIP", L"10.0.0.64")});
    const ToolSettings s = Load();
    EXPECT_EQ(s.link.ip, "10.0.0.64");
    EXPECT_EQ(s.link.tcpPort, "32");
}

// Without administrator rights: the machine's values are read, saves go to the user's hive and
// win at the next start, and the machine key stays as it was.
TEST_F(RegistryStore, UserWhoCannotWriteTheMachineKeyKeepsSettingsInTheUserHive) {
    Put(kMachine64, {Number(L"TYPE", 1), Text(L"NetIP", L"10.0.0.1"), Text(L"NetPort", L"7000"),
                     Text(L"LanguageFlag", L"ChineseGB")});
    if (!MakeReadOnly(kMachine64)) {
        GTEST_SKIP() << "this registry does not enforce key security";
    }
    ToolSettings s = Load();
    EXPECT_EQ(s.link.ip, "10.0.0.1");
    EXPECT_EQ(s.language, Language::ChineseGB);
    EXPECT_TRUE(SettingsWritable(path));

    s.languageFlag = "English";
    SaveLanguage(path, s);
    EXPECT_EQ(Get(kUser, L"LanguageFlag"), std::make_pair(DWORD{REG_SZ}, std::wstring(L"English")));
    EXPECT_EQ(Get(kMachine64, L"LanguageFlag"),
              std::make_pair(DWORD{REG_SZ}, std::wstring(L"ChineseGB")));

    ToolSettings next = Load();
    EXPECT_EQ(next.language, Language::English);  // the value written
    EXPECT_EQ(next.link.ip, "10.0.0.1");          // the rest still from the machine
    EXPECT_EQ(next.link.tcpPort, "7000");

    // Once the user's key exists, every later save goes there too.
    next.link.type = LinkType::Serial;
    next.link.portName = "COM15";
    SaveLinkSettings(path, next);
    EXPECT_EQ(Get(kUser, L"ComPortName"), std::make_pair(DWORD{REG_SZ}, std::wstring(L"COM15")));
    EXPECT_EQ(Get(kUser, L"TYPE"), std::make_pair(DWORD{REG_DWORD}, std::wstring(L"0")));
    int type = -1;
    EXPECT_EQ(Load(&type).link.portName, "COM15");
    EXPECT_EQ(type, 0);
}

TEST(RegistryLocation, TheToolsKeyPath) {
    EXPECT_EQ(DefaultSettingsLocation(), "Software\\VELMO\\KR470QX-V5");
}

}  // namespace
