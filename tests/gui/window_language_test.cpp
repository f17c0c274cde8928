#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>

#include "gui/window_fixture.h"
#include "text_table.h"

namespace {

class WindowLanguage : public WindowFixture {
protected:
    QAction* Item(const char* name) const { return Find<QAction>(name); }
    std::vector<bool> Checks() const {
        return {Item("mnuEnglish")->isChecked(), Item("mnuSimplified")->isChecked(),
                Item("mnuTraditional")->isChecked()};
    }
};

TEST_F(WindowLanguage, StartsInTheStoredLanguage) {
    WriteSettings({{"LanguageFlag", "\"ChineseBIG5\""}});
    Start();
    EXPECT_EQ(window->windowTitle(), u"KR470QX-V5 控制器工具程式 V1.00");
    EXPECT_EQ(Checks(), (std::vector<bool>{false, false, true}));
    EXPECT_EQ(window->font().family(), u"細明體");
    EXPECT_EQ(window->font().pointSize(), 12);
    EXPECT_FALSE(window->font().bold());
    EXPECT_EQ(StatusText(), u"連線裝置");
    EXPECT_EQ(Find<QMenu>("mnuFile")->title(), u"檔案(&F)");
    EXPECT_EQ(Find<QPushButton>("btnSetDate")->text(), u"設定日期時間");
    // Controls with a font of their own keep it.
    EXPECT_EQ(Find<QPushButton>("btnConnect")->font().pointSize(), 14);
    EXPECT_EQ(Find<QLabel>("pnMsg")->font().family(), "MS Sans Serif");
    EXPECT_EQ(Find<QComboBox>("cmbPort")->font().pointSize(), 12);
}

TEST_F(WindowLanguage, EachPickIsStoredAndAppliedWhole) {
    struct Case {
        void (TfrmModule::*pick)();
        const char* flag;
        Language language;
        std::vector<bool> checks;
    };
    Start();
    const std::vector<Case> cases = {
        {&TfrmModule::mnuSimplifiedClick, "ChineseGB", Language::ChineseGB, {false, true, false}},
        {&TfrmModule::mnuTraditionalClick,
         "ChineseBIG5",
         Language::ChineseBIG5,
         {false, false, true}},
        {&TfrmModule::mnuEnglishClick, "English", Language::English, {true, false, false}},
        {&TfrmModule::mnuEnglishClick, "English", Language::English, {true, false, false}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.flag);
        QFile::remove(SettingsPath());
        window->ShowStatus(window->Text(TextId::CommandOk));
        (window.get()->*c.pick)();
        EXPECT_EQ(ReadSettingsRaw(),
                  SettingsFileWith({{"LanguageFlag", QByteArray("\"") + c.flag + "\""}}));
        EXPECT_EQ(Checks(), c.checks);
        EXPECT_EQ(StatusText(), TextTable::Text(TextId::StartConnectDevice, c.language));
        EXPECT_EQ(window->windowTitle(), TextTable::Text(TextId::WindowCaption, c.language));
        EXPECT_EQ(Find<QGroupBox>("gbModule")->title(),
                  TextTable::Text(TextId::ModuleCommandTest, c.language));
        // The menu items of the languages read the same in every language.
        EXPECT_EQ(Item("mnuEnglish")->text(), "&English");
        EXPECT_EQ(Item("mnuSimplified")->text(), u"&Simplified chinese(简体)");
        EXPECT_EQ(Item("mnuTraditional")->text(), u"&Traditional chinese(繁體)");
        auto* note = Find<QPlainTextEdit>("moFirmwareNote");
        EXPECT_EQ(note->document()->blockCount(), 1);
        EXPECT_EQ(note->toPlainText(), TextTable::Text(TextId::FirmwareNote, c.language));
    }
}

TEST_F(WindowLanguage, FixedTextsStayEnglishInChinese) {
    WriteSettings({{"LanguageFlag", "\"ChineseGB\""}});
    Start();
    for (const auto& [name, text] :
         std::vector<std::pair<const char*, const char*>>{{"lblIP", "IP:"},
                                                          {"lblModuleId", "ID:"},
                                                          {"Panel1", "Program"},
                                                          {"Panel2", "Verify"},
                                                          {"Panel3", "Firmware file"},
                                                          {"lblDI8", "DI8"}}) {
        EXPECT_EQ(TextOf(name), text) << name;
    }
    EXPECT_EQ(Find<QLabel>("Panel3")->toolTip(), "Fimeware filename");
    EXPECT_EQ(Find<QAbstractButton>("chkDO4")->text(), "DO4");
    EXPECT_EQ(Find<QComboBox>("cmbAlarm")->itemText(6), "Duress Alarm");
    EXPECT_EQ(Find<QComboBox>("cmbModuleType")->itemText(0), "TRM-A1/A5/B5");
    auto* pcMain = Find<QTabWidget>("pcMain");
    EXPECT_FALSE(pcMain->isTabVisible(pcMain->indexOf(Find<QWidget>("tsFunction"))));
}

}  // namespace
