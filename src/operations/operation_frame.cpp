#include "operation_frame.h"

#include <chrono>

#include "link.h"
#include "operation_host.h"
#include "services.h"

namespace {

using std::chrono::milliseconds;

constexpr int kHighBeepHz = 1000;
constexpr int kLowBeepHz = 300;
constexpr milliseconds kBeepDuration{300};

void MakeIdle(OperationContext& ctx) {
    ctx.host.SetBusyCursor(false);
    ctx.host.SetWindowEnabled(true);
}

void EndAfterOpen(OperationContext& ctx, OperationEnding ending, TextId status, LampColor lamp,
                  int beepHz) {
    ctx.host.ShowStatus(ctx.host.Text(status));
    SetBusy(ctx, false);
    ctx.host.SetLinkLamp(lamp);
    ctx.services.Beep(beepHz, kBeepDuration);
    if (ctx.link.IsOpen()) {
        ctx.link.CloseLink();
    }
    MakeIdle(ctx);
    ctx.host.OperationEnded(ending);
}

}  // namespace

bool BeginOperation(OperationContext& ctx) {
    ctx.host.SetBusyCursor(true);
    ctx.services.ProcessEvents();
    ctx.host.SetWindowEnabled(false);
    SetBusy(ctx, true);
    ctx.host.ShowStatus(ctx.host.Text(TextId::ConnectingDevice));
    ctx.host.ShowOpenFailure(OpenFailure{});
    ctx.services.ProcessEvents();
    ctx.link.SetSettings(ctx.host.TakePortPageSettings());
    return ctx.link.OpenLink();
}

void EndOpenFailure(OperationContext& ctx) {
    SetBusy(ctx, false);
    ctx.host.SetLinkLamp(LampColor::Red);
    ctx.host.ShowStatus(ctx.host.Text(TextId::ConnectDeviceError));
    // After an identify that got no answer the link opened: Connect has said why itself.
    if (ctx.link.LastOpenFailure().cause != OpenCause::None) {
        ctx.host.ShowOpenFailure(ctx.link.LastOpenFailure());
    }
    ctx.services.Beep(kLowBeepHz, kBeepDuration);
    MakeIdle(ctx);
    ctx.host.OperationEnded(OperationEnding::OpenFailure);
}

void EndSuccess(OperationContext& ctx) {
    EndAfterOpen(ctx, OperationEnding::Success, TextId::CommandOk, LampColor::Yellow, kHighBeepHz);
}

void EndFailure(OperationContext& ctx) {
    EndAfterOpen(ctx, OperationEnding::Failure, TextId::CommandError, LampColor::Red, kLowBeepHz);
}

void SetBusy(OperationContext& ctx, bool on) {
    if (on) {
        ctx.host.SetBusyTimerRunning(true);
        ctx.host.SetWindowEnabled(false);
    } else {
        ctx.host.SetWindowEnabled(true);
        ctx.host.SetBusyTimerRunning(false);
    }
}

void BusyTimerTick(OperationContext& ctx) {
    if (ctx.state.blinkPhase == 1) {
        ctx.state.blinkPhase = 0;
        ctx.host.SetLinkLamp(LampColor::Yellow);
    } else {
        ctx.state.blinkPhase = 1;
        ctx.host.SetLinkLamp(LampColor::Red);
    }
}
