#include <QComboBox>
#include <QLineEdit>

#include "gui/window_fixture.h"

namespace {

using WindowSettings = WindowFixture;

TEST_F(WindowSettings, StoredValuesGoIntoThePortPage) {
    WriteSettings({{"FirmwareFile", "\"/opt/fw/KR470QX.KXB\""},
                   {"TYPE", "dword:00000002"},
                   {"ComBaudRate", "\"1200,n,8,1\""},
                   {"ComPortName", "\"COM9\""},
                   {"NetIP", "\"10.0.0.5\""},
                   {"NetPort", "\"6001\""}});
    Start();
    auto* cmbPort = Find<QComboBox>("cmbPort");
    EXPECT_EQ(cmbPort->count(), 1);
    EXPECT_EQ(cmbPort->itemText(0), "COM1");
    EXPECT_EQ(cmbPort->currentText(), "COM9");
    EXPECT_EQ(Find<QComboBox>("cmbBaudrate")->currentText(), "1200,n,8,1");
    EXPECT_EQ(Find<QComboBox>("cmbBaudrate")->count(), 18);
    EXPECT_EQ(Find<QLineEdit>("edIP")->text(), "10.0.0.5");
    EXPECT_EQ(Find<QLineEdit>("edPort")->text(), "6001");
    EXPECT_EQ(TextOf("pnFile"), "/opt/fw/KR470QX.KXB");
    EXPECT_EQ(Find<QTabWidget>("pcPort")->currentWidget(), Find<QWidget>("tsNet"));
    EXPECT_EQ(window->Settings().link.type, LinkType::Network);
    EXPECT_FALSE(Find<QWidget>("pcMain")->isEnabled());
}

TEST_F(WindowSettings, FirstRunShowsDefaultsAndWritesNothingUpToExit) {
    ports = {QStringLiteral("COM3"), QStringLiteral("COM1")};
    Start();
    auto* cmbPort = Find<QComboBox>("cmbPort");
    EXPECT_EQ(cmbPort->itemText(0), "COM3");
    EXPECT_EQ(cmbPort->itemText(1), "COM1");
    EXPECT_EQ(cmbPort->currentText(), "COM1");
    EXPECT_EQ(Find<QComboBox>("cmbBaudrate")->currentText(), "19200,e,8,1");
    EXPECT_EQ(Find<QTabWidget>("pcPort")->currentWidget(), Find<QWidget>("tsCom"));
    EXPECT_EQ(TextOf("pnFile"), "KR470QX.KXB");
    window->mnuExitClick();
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(QFileInfo::exists(SettingsPath()));
}

TEST_F(WindowSettings, NoSystemPortsOffersCom1ToCom16) {
    ports = {};
    WriteSettings({{"ComPortName", "\"\""}});
    Start();
    auto* cmbPort = Find<QComboBox>("cmbPort");
    ASSERT_EQ(cmbPort->count(), 16);
    EXPECT_EQ(cmbPort->itemText(0), "COM1");
    EXPECT_EQ(cmbPort->itemText(15), "COM16");
    EXPECT_EQ(cmbPort->currentText(), "");
}

TEST_F(WindowSettings, LinkSaveTakesOnlyThePairOfThePageShown) {
    WriteSettings({{"ComPortName", "\"COM2\""}, {"LanguageFlag", "\"ChineseGB\""}});
    Start();
    Find<QComboBox>("cmbPort")->setEditText(QStringLiteral("COM7"));
    ShowPage("tsNet");
    Find<QLineEdit>("edIP")->setText(QStringLiteral("10.9.8.7"));
    Find<QLineEdit>("edPort")->setText(QStringLiteral("abc"));
    window->SaveLinkSettings();

    EXPECT_EQ(window->Settings().link.portName, "COM2");  // not taken: its page is not shown
    EXPECT_EQ(ReadSettingsRaw(), SettingsFileWith({{"ComBaudRate", "\"19200,e,8,1\""},
                                                   {"ComPortName", "\"COM2\""},
                                                   {"LanguageFlag", "\"ChineseGB\""},
                                                   {"NetIP", "\"10.9.8.7\""},
                                                   {"NetPort", "\"abc\""},
                                                   {"TYPE", "dword:00000001"}}));
    ShowPage("tsCom");
    const LinkSettings serial = window->TakePortPageSettings();
    EXPECT_EQ(serial.type, LinkType::Serial);
    EXPECT_EQ(serial.portName, "COM7");
    EXPECT_EQ(serial.ip, "10.9.8.7");
}

TEST_F(WindowSettings, ChosenFirmwareFileIsStoredAndShown) {
    Start();
    window->SetFirmwareFilePath(QStringLiteral("C:\\fw\\new.KXB"));
    EXPECT_EQ(TextOf("pnFile"), "C:\\fw\\new.KXB");
    EXPECT_EQ(window->FirmwareFilePath(), "C:\\fw\\new.KXB");
    EXPECT_EQ(ReadSettingsRaw(), SettingsFileWith({{"FirmwareFile", "\"C:\\\\fw\\\\new.KXB\""}}));
}

}  // namespace
