#include "continuous_tests.h"

#include <chrono>

#include "link.h"
#include "operation_frame.h"
#include "operations.h"
#include "reply_fields.h"
#include "services.h"

namespace {

constexpr std::chrono::milliseconds kCyclePause{20};
constexpr int kOutputs = 4;
constexpr int kInputs = 8;

QByteArray OutputCommand(int output) {
    return QByteArrayLiteral("JC00") + QByteArray::number(output) + QByteArrayLiteral("10002");
}

void DriveOutputs(OperationContext& ctx) {
    for (int output = 1; output <= kOutputs; ++output) {
        if (ctx.host.OutputTicked(output)) {
            ctx.services.ProcessEvents();
            ctx.link.Transact(ctx.state.deviceId + OutputCommand(output));
            ctx.services.Pause(kCyclePause);
        }
    }
}

void ReadInputs(OperationContext& ctx) {
    ctx.services.ProcessEvents();
    if (!ctx.link.Transact(ctx.state.deviceId + "DG0")) {
        return;
    }
    if (const auto inputs = ParseInputsReply(ctx.link.LastReply(), ctx.link.ReplyLength())) {
        for (int input = 1; input <= kInputs; ++input) {
            ctx.host.SetInputLamp(input,
                                  (*inputs)[input - 1] ? LampColor::Yellow : LampColor::White);
        }
    }
}

void Poll(OperationContext& ctx) {
    ctx.services.ProcessEvents();
    if (ctx.link.Transact(ctx.state.deviceId + "PI")) {
        if (const auto poll = ParsePollReply(ctx.link.LastReply(), ctx.link.ReplyLength())) {
            ctx.host.ShowPolledClock(poll->clock);
            if (poll->record) {
                ctx.host.ShowPolledRecord(*poll->record);
                ctx.services.Pause(kCyclePause);
                ctx.link.Transact(ctx.state.deviceId + "IB");
            }
        }
    }
    ctx.services.Pause(kCyclePause);
}

void RunCycle(OperationContext& ctx, TestButton button) {
    DriveOutputs(ctx);
    ReadInputs(ctx);
    ctx.services.Pause(kCyclePause);
    if (button == TestButton::Polling) {
        Poll(ctx);
    }
    ctx.host.TestCycleDone(button);
}

void EndSequence(OperationContext& ctx) {
    for (int input = 1; input <= kInputs; ++input) {
        ctx.host.SetInputLamp(input, LampColor::White);
    }
    ctx.host.UntickOutputs();
    ctx.link.Transact(ctx.state.deviceId + "JD");
    // No reply decides the ending, but a link that is gone is no success: nothing the test
    // showed since then came from the controller, and the end of the test never reached it.
    if (ctx.link.Connected()) {
        EndSuccess(ctx);
    } else {
        EndFailure(ctx);
    }
}

void RunUntilCancelled(OperationContext& ctx, TestButton button) {
    // The window takes input again so the cancel click and the output boxes work; the lamp
    // keeps blinking.
    ctx.host.SetBusyCursor(false);
    ctx.host.SetWindowEnabled(true);
    ctx.host.ShowStatus(ctx.host.Text(TextId::DidoTest));
    ctx.services.ProcessEvents();
    while (ctx.state.testRunning) {
        RunCycle(ctx, button);
    }
    EndSequence(ctx);
}

void RunTest(OperationContext& ctx, TestButton button) {
    ctx.state.testActive = true;
    ctx.state.testRunning = true;
    const QString savedCaption = ctx.host.TestButtonCaption(button);
    ctx.host.SetTestButtonCaption(button, ctx.host.Text(TextId::CancelTest));
    ctx.host.SetOtherOperationsEnabled(button, false);
    ctx.host.SetCommandAndFirmwareTabsVisible(false);
    if (BeginOperation(ctx)) {
        RunUntilCancelled(ctx, button);
    } else {
        EndOpenFailure(ctx);
    }
    ctx.state.testRunning = false;
    ctx.state.testActive = false;
    ctx.host.SetOtherOperationsEnabled(button, true);
    ctx.host.SetCommandAndFirmwareTabsVisible(true);
    ctx.host.SetTestButtonCaption(button, savedCaption);
}

}  // namespace

void ContinuousTestClick(OperationContext& ctx, TestButton button) {
    if (ctx.state.testRunning) {
        ctx.state.testRunning = false;
        return;
    }
    // A cancelled run still finishes its cycle; a click meanwhile must not start a run inside it.
    if (ctx.state.testActive) {
        return;
    }
    RunTest(ctx, button);
}

void DidoTestClick(OperationContext& ctx) {
    ContinuousTestClick(ctx, TestButton::Dido);
}

void PollingTestClick(OperationContext& ctx) {
    ContinuousTestClick(ctx, TestButton::Polling);
}
