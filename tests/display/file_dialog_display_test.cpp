// The firmware file dialog on a real display: once it is accepted, the window takes input and
// paints at once, though the dialog's list of file name completions was open.
#include "display_fixture.h"

namespace {

using FileDialogDisplay = RealDisplay;

TEST_F(FileDialogDisplay, WindowTakesInputAtOnceAfterTheDialog) {
    WriteImage(1);
    StartConnected();
    ClickTab("tsFirmware");
    x_->Key("Tab");  // from the note to "Firmware load"
    // A hand is no faster than the window takes each step.
    const auto chooseImage = [this] {
        x_->Key("f", {"Alt_L"});
        x_->Key("f");
        const std::optional<XWindowId> dialog = WaitForDialog();
        ASSERT_TRUE(dialog) << "no file dialog took the keyboard";
        x_->Type(ImagePath());  // the completions show as the name is typed
        WaitIdle();
        x_->Key("Return");
        ASSERT_TRUE(WaitUntil([&] { return !x_->Viewable(*dialog); }))
            << "the file dialog stayed open";
        WaitIdle();
    };
    ASSERT_NO_FATAL_FAILURE(chooseImage());
    ClickTab("tsCommand");  // the first click after the dialog
    Click("btnCommand");
    EXPECT_TRUE(WaitForRequests("0001AB", 1));
    WaitIdle();
    ClickTab("tsFirmware");  // the focus on "Firmware load" again
    ASSERT_NO_FATAL_FAILURE(chooseImage());
    x_->Key("space");
    EXPECT_TRUE(WaitForRequests("0001Zx6D2A", 1));
}

}  // namespace
