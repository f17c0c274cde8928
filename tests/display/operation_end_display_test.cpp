// How a one-shot operation ends on a real display: a double click is one click however short the
// operation, and a close request during the ending's beep ends the tool once it has returned.
#include "display_fixture.h"
#include "sound_device.h"

namespace {

using OperationEndDisplay = RealDisplay;

// With no sound device the window takes input again before the second click of a double click
// 150 ms apart: it is still no click. A deliberate click after the double-click time runs it.
TEST_F(OperationEndDisplay, DoubleClickRunsAShortOperationOnce) {
    const SoundDevice silent(SoundDevice::Kind::None);
    UseAlsaConfig(silent.ConfigPath());
    StartConnected();
    Click("btnReboot", 2, 150ms);
    ASSERT_TRUE(WaitForRequests("0001AR00", 1));
    Barrier();
    EXPECT_EQ(Count("0001AR00"), 1);
    std::this_thread::sleep_for(600ms);  // longer than the double-click time
    Click("btnReboot");
    EXPECT_TRUE(WaitForRequests("0001AR00", 2));
}

TEST_F(OperationEndDisplay, CloseDuringTheBeepTakesEffectAfterTheOperation) {
#ifndef KR_TOOL_BEEPS
    GTEST_SKIP() << "the tool was built without a sound device to beep on";
#endif
    const SoundDevice device(SoundDevice::Kind::Paced);
    UseAlsaConfig(device.ConfigPath());
    StartSim();
    WriteSettings();
    StartTool();
    Click("btnConnect");
    ASSERT_TRUE(WaitUntil([&] { return device.Playing(); })) << "no beep played";
    x_->SendDeleteWindow(*window_);
    EXPECT_TRUE(ToolEnds());
    EXPECT_EQ(Count("0001AS"), 1);
}

}  // namespace
