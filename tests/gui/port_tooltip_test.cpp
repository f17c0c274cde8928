#include <QComboBox>

#include <unistd.h>

#include "gui/window_fixture.h"
#include "port_list.h"

namespace {

PortDetails Ftdi() {
    return {QStringLiteral("/dev/ttyUSB0"),
            QStringLiteral("FT232R USB UART"),
            QStringLiteral("FTDI"),
            0x0403,
            0x6001,
            QStringLiteral("A50285BI"),
            QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0")};
}

TEST(PortTooltip, SaysWhatIsKnownOneLineEach) {
    struct Case {
        PortDetails port;
        const char* tooltip;
    };
    PortDetails bare;
    bare.name = QStringLiteral("/dev/ttyS0");
    PortDetails makerOnly = bare;
    makerOnly.manufacturer = QStringLiteral("Prolific");
    makerOnly.productId = 0x2303;
    const Case cases[] = {
        {Ftdi(),
         "FT232R USB UART (FTDI)\nUSB 0403:6001   S/N:A50285BI\n"
         "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0"},
        {makerOnly, "Prolific\nUSB ????:2303"},
        {bare, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PortTooltip(c.port), QString::fromUtf8(c.tooltip));
    }
}

TEST(PortTooltip, StableNameIsTheByIdLinkToTheDevice) {
    QTemporaryDir dir;
    const QString device = dir.filePath(QStringLiteral("ttyACM3"));
    QFile(device).open(QIODevice::WriteOnly);
    const QString byId = dir.filePath(QStringLiteral("by-id"));
    QDir().mkpath(byId);
    const QString other = byId + QStringLiteral("/usb-Other-if00");
    const QString stable = byId + QStringLiteral("/usb-Arduino_Uno_7573-if00");
    ASSERT_EQ(::symlink("../elsewhere", QFile::encodeName(other).constData()), 0);
    ASSERT_EQ(::symlink("../ttyACM3", QFile::encodeName(stable).constData()), 0);
    EXPECT_EQ(StableNameOf(device, byId), stable);
    EXPECT_EQ(StableNameOf(dir.filePath(QStringLiteral("ttyACM4")), byId), "");
    EXPECT_EQ(StableNameOf(device, dir.filePath(QStringLiteral("none"))), "");
}

using PortListTooltips = WindowFixture;

// The entries stay the system's names, blanks trimmed and duplicates kept; each carries what the
// system told of it.
TEST_F(PortListTooltips, EachEntryCarriesItsPortsDetails) {
    PortDetails padded = Ftdi();
    padded.name = QStringLiteral(" /dev/ttyUSB0 ");
    PortDetails plain;
    plain.name = QStringLiteral("/dev/ttyS4");
    PortDetails acm;
    acm.name = QStringLiteral("/dev/ttyACM0");
    acm.description = QStringLiteral("Uno");
    acm.vendorId = 0x2341;
    acm.productId = 0x0043;
    const QList<PortDetails> system = {padded, plain, acm, Ftdi()};
    TfrmModule::Dependencies deps;
    deps.services = &services;
    deps.settingsLocation = SettingsPath();
    deps.portDetails = [&] { return system; };
    window = std::make_unique<TfrmModule>(std::move(deps));

    auto* cmbPort = Find<QComboBox>("cmbPort");
    ASSERT_EQ(cmbPort->count(), 4);
    const QStringList names = {"/dev/ttyUSB0", "/dev/ttyS4", "/dev/ttyACM0", "/dev/ttyUSB0"};
    const QString ftdi = PortTooltip(Ftdi());
    const QStringList tooltips = {ftdi, "", "Uno\nUSB 2341:0043", ftdi};
    for (int row = 0; row < 4; ++row) {
        EXPECT_EQ(cmbPort->itemText(row), names[row]);
        EXPECT_EQ(cmbPort->itemData(row, Qt::ToolTipRole).toString(), tooltips[row]);
    }
    EXPECT_EQ(cmbPort->currentIndex(), 0);
}

TEST_F(PortListTooltips, NoSystemPortsGiveComNamesWithoutTooltips) {
    TfrmModule::Dependencies deps;
    deps.services = &services;
    deps.settingsLocation = SettingsPath();
    deps.portDetails = [] { return QList<PortDetails>(); };
    window = std::make_unique<TfrmModule>(std::move(deps));
    auto* cmbPort = Find<QComboBox>("cmbPort");
    ASSERT_EQ(cmbPort->count(), 16);
    EXPECT_EQ(cmbPort->itemText(0), "COM1");
    EXPECT_EQ(cmbPort->itemText(15), "COM16");
    for (int row = 0; row < 16; ++row) {
        EXPECT_EQ(cmbPort->itemData(row, Qt::ToolTipRole).toString(), "") << row;
    }
}

}  // namespace
