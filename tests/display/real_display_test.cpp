// The real window and its platform: the title, one run per burst of clicks, keyboard paging,
// close requests, and staying alive during long waits.
#include "display_fixture.h"

#include "support/loopback_listener.h"
#include "text_table.h"

namespace {

// The title bar shows the caption of the language, nothing appended; the application
// keeps its own name in the window class.
TEST_F(RealDisplay, TitleIsTheCaptionOfTheLanguage) {
    StartSim();
    WriteSettings("English");
    StartTool();
    EXPECT_EQ(x_->NetWmName(*window_), "KR470QX-V5 Tools V1.00");
    EXPECT_EQ(x_->WmName(*window_), "KR470QX-V5 Tools V1.00");
    EXPECT_EQ(x_->WmClass(*window_), QStringList({"kr470qx-tools", "KR470QX-V5 Tools"}));
    // The Language menu by its access key, then the item by its own.
    for (const auto& [key, language] :
         {std::pair{"s", Language::ChineseGB}, std::pair{"t", Language::ChineseBIG5},
          std::pair{"e", Language::English}}) {
        const QString caption = TextTable::Text(TextId::WindowCaption, language);
        x_->Key("l", {"Alt_L"});
        x_->Key(key);
        EXPECT_TRUE(WaitUntil([&] {
            return x_->NetWmName(*window_) == caption && x_->WmName(*window_) == caption;
        })) << x_->NetWmName(*window_).toStdString();
    }
}

// A double click, or a burst of Enter presses, runs a one-shot operation once.
TEST_F(RealDisplay, DoubleClickRunsAnOperationOnce) {
    StartSim();
    WriteSettings();
    StartTool();
    Click("btnConnect", 2);
    ASSERT_TRUE(WaitForRequests("0001AS", 1));
    Barrier();
    EXPECT_EQ(Count("0000AC"), 1);

    Click("btnReboot", 2);
    ASSERT_TRUE(WaitForRequests("0001AR00", 1));
    Barrier();
    EXPECT_EQ(Count("0001AR00"), 1);

    // Enter in the IP edit, which leaves it to the window, presses the default button,
    // "Connect device"; the later ones come while it runs.
    Click("edIP");
    for (int press = 0; press < 3; ++press) {
        x_->Key("Return");
    }
    ASSERT_TRUE(WaitForRequests("0001AS", 2));
    Barrier();
    EXPECT_EQ(Count("0000AC"), 2);
}

// Ctrl+Tab and Ctrl+Shift+Tab page through the tabs shown, never to "Function test".
// The page reached is told by a click on a button that only it has.
TEST_F(RealDisplay, CtrlTabPagesThroughTheShownTabs) {
    StartSim();
    WriteSettings();
    StartTool();
    Connect();
    Click("chkDO1");  // the keyboard focus on the Basic test page
    x_->Key("Tab", {"Control_L"});
    Shot("ctrl-tab-firmware");
    x_->Key("Tab", {"Control_L"});
    Click("btnCommand");  // sends the text of edCommandSend, "AB" from the form
    ASSERT_TRUE(WaitForRequests("0001AB", 1));
    Shot("ctrl-tab-command");

    Click("edCommandSend");  // the keyboard focus on the Command test page
    x_->Key("Tab", {"Control_L", "Shift_L"});
    x_->Key("Tab", {"Control_L", "Shift_L"});
    Barrier();  // "Alarm test" is on the Basic test page only
}

// During an upgrade a close request has no effect; the 7000 ms pause after the
// final command keeps its length while the window answers pings and its lamp blinks. Once the
// upgrade has ended, a close request ends the tool.
TEST_F(RealDisplay, UpgradeKeepsItsWindowAndStaysAlive) {
    // Verify replies take about 200 ms each (less than the TCP reply limit of 300 ms), so that
    // the upgrade surely still runs when the close request comes.
    StartSim({"--line-speed", "57600"});
    WriteImage(3);
    WriteSettings();
    StartTool();
    Connect();
    ClickTab("tsFirmware");
    Click("btnFirmware");
    ASSERT_TRUE(WaitForRequests("0001Zv0000", 1));
    x_->SendDeleteWindow(*window_);
    ASSERT_TRUE(WaitForRequests("0001ZrC4E9", 1));
    const auto pauseStart = Clock::now();
    x_->SendDeleteWindow(*window_);
    Shot("upgrade-pause");
    const Watch watch = WatchUntilSteady(15s);
    const auto pause =
        std::chrono::duration_cast<std::chrono::milliseconds>(watch.lastChange - pauseStart);
    ExpectAlive(watch, 6);
    // The lamp stops blinking at the success ending, right after the pause, within one blink.
    EXPECT_GE(pause, 6800ms);
    EXPECT_LE(pause, 8500ms);
    EXPECT_EQ(Lamp(), kYellow);
    EXPECT_TRUE(x_->Viewable(*window_));
    EXPECT_EQ(tool_.state(), QProcess::Running);

    x_->SendDeleteWindow(*window_);
    EXPECT_TRUE(ToolEnds());
}

// A TCP connect that gets no answer keeps its full 21 s, while the window answers
// pings and its lamp blinks.
TEST_F(RealDisplay, UnansweredConnectKeepsTheWindowAlive) {
    const SilentLoopbackPort silent;
    StartSim();
    WriteSettings("English", silent.Port());
    StartTool();
    const auto start = Clock::now();
    Click("btnConnect");
    const Watch watch = WatchUntilSteady(30s);
    const auto waited =
        std::chrono::duration_cast<std::chrono::milliseconds>(watch.lastChange - start);
    ExpectAlive(watch, 18);
    EXPECT_GE(waited, 20800ms);
    EXPECT_LE(waited, 23000ms);
    EXPECT_EQ(Lamp(), kRed);
}

// During the DIDO test a close request leaves the window open and the test going; the
// tool ends as soon as the test has been stopped with its button.
TEST_F(RealDisplay, CloseDuringTheDidoTestWaitsForItsButton) {
    StartSim();
    WriteSettings();
    StartTool();
    Connect();
    Click("btnDIDO");
    ASSERT_TRUE(WaitForRequests("0001DG0", 1));
    x_->SendDeleteWindow(*window_);
    const int cycles = Count("0001DG0");
    ASSERT_TRUE(WaitForRequests("0001DG0", cycles + 5));
    EXPECT_TRUE(x_->Viewable(*window_));
    EXPECT_EQ(Count("0001JD"), 0);
    Click("btnDIDO");  // "Cancel test"
    EXPECT_TRUE(WaitForRequests("0001JD", 1));
    EXPECT_TRUE(ToolEnds());
}

}  // namespace
