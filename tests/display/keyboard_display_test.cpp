// The keyboard as a technician uses it: the focus stays where it was across an operation, Space
// runs the focused button again, and the page keys reach the shown pages from any of their
// controls, and never a hidden one.
#include "display_fixture.h"

namespace {

using KeyboardDisplay = RealDisplay;

TEST_F(KeyboardDisplay, FocusStaysOnItsButtonAcrossOperations) {
    StartConnected();  // the focus is on "Alarm test" now
    // "Set date and time", twice.
    x_->Key("Tab", {"Shift_L"});
    x_->Key("Tab", {"Shift_L"});
    x_->Key("space");
    ASSERT_TRUE(WaitUntil([&] { return CountStarting("0001AA") == 1; }));
    WaitIdle();
    x_->Key("space");
    ASSERT_TRUE(WaitUntil([&] { return CountStarting("0001AA") == 2; }));
    WaitIdle();
    // "DIDO test": Space starts it, Space stops it.
    for (int tab = 0; tab < 3; ++tab) {
        x_->Key("Tab");
    }
    x_->Key("space");
    ASSERT_TRUE(WaitForRequests("0001DG0", 1));
    x_->Key("space");
    ASSERT_TRUE(WaitForRequests("0001JD", 1));
    WaitIdle();
    // Ctrl+Tab from the button the test ended on: Firmware, then Command, whose button sends the
    // text of edCommandSend, "AB" from the form.
    x_->Key("Tab", {"Control_L"});
    x_->Key("Tab", {"Control_L"});
    Click("btnCommand");
    EXPECT_TRUE(WaitForRequests("0001AB", 1));
    EXPECT_EQ(CountStarting("0001AA"), 2);
    EXPECT_EQ(Count("0001JD"), 1);
}

// From the alarm list, after choosing an entry and after closing the list with Escape.
TEST_F(KeyboardDisplay, CtrlTabFromTheAlarmList) {
    StartConnected();
    for (const char* close : {"Return", "Escape"}) {
        SCOPED_TRACE(close);
        const int before = Count("0001AB");
        // A hand takes its time between keys; the list takes some to open and to close.
        Click("cmbAlarm");
        WaitIdle();
        x_->Key("Down");
        x_->Key(close);
        WaitIdle();
        x_->Key("Tab", {"Control_L"});
        x_->Key("Page_Down", {"Control_L"});
        Click("btnCommand");
        EXPECT_TRUE(WaitForRequests("0001AB", before + 1));
        WaitIdle();
        x_->Key("Page_Down", {"Control_L"});  // back to the Test page, past the hidden one
    }
}

// During a DIDO test no key on the tab bar, and no click where the controls of the other pages
// are, shows a hidden page or reaches the controller: the page stays as it was, and the
// controller gets the test's requests only.
TEST_F(KeyboardDisplay, HiddenPagesStayOutOfReachDuringTheDidoTest) {
    WriteImage(1);
    StartConnected();
    const int connectRequests = static_cast<int>(Requests().size());
    Click("btnDIDO");
    ASSERT_TRUE(WaitForRequests("0001DG0", 1));
    x_->Key("Tab", {"Shift_L"});
    x_->Key("Tab", {"Shift_L"});  // the tab bar, past the alarm list
    Click("pnMsg");               // the pointer away from the page
    WaitIdle();
    const QImage page = ShotOf("btnDIDO");
    for (const char* key : {"Right", "Left", "End", "Home", "space"}) {
        x_->Key(key);
    }
    x_->Key("Tab", {"Control_L"});
    x_->Key("Tab", {"Control_L", "Shift_L"});
    x_->Key("Page_Down", {"Control_L"});
    x_->Key("Page_Up", {"Control_L"});
    for (const char* hidden : {"btnFirmware", "btnModuleCommand", "edCommandSend", "pnMsg"}) {
        Click(hidden);
    }
    x_->Key("space");
    WaitIdle();
    EXPECT_EQ(ShotOf("btnDIDO"), page);
    Click("btnDIDO");
    ASSERT_TRUE(WaitForRequests("0001JD", 1));
    const QStringList during = Requests().mid(connectRequests);
    EXPECT_EQ(during.count("0001DG0") + during.count("0001JD"), during.size())
        << during.join(' ').toStdString();
}

}  // namespace
