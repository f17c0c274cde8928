#include <functional>
#include <optional>

#include "firmware_image.h"
#include "firmware_loading.h"
#include "firmware_operations.h"
#include "link.h"
#include "operation_frame.h"
#include "operation_host.h"
#include "services.h"
#include "verify_reply.h"

using namespace std::chrono_literals;

namespace {

using End = UpgradeOutcome::End;

QByteArray Command(const OperationContext& ctx, const QByteArray& code) {
    return ctx.state.deviceId + code;
}

// "Zp" or "Zv" and the block's image address as "%04X".
QByteArray BlockCommand(const OperationContext& ctx, const char* code, int k) {
    const QByteArray address = QByteArray::number(k * FirmwareImage::kBlockSize, 16).toUpper();
    return Command(ctx, code + address.rightJustified(4, '0'));
}

void BeginBlock(OperationContext& ctx) {
    ctx.host.SetBusyCursor(true);
    ctx.services.ProcessEvents();
}

// A block request: a short pause, then up to five attempts, each after an event pump.
bool SendBlockRequest(OperationContext& ctx, ProgressBar phase, int k, const QByteArray& command) {
    ctx.services.Pause(4ms);
    for (int attempt = 1; attempt <= kBlockAttempts; ++attempt) {
        ctx.services.ProcessEvents();
        const bool answered = ctx.link.Transact(command);
        ctx.host.BlockAttempted(phase, k, attempt, answered);
        if (answered) {
            return true;
        }
        ctx.services.Pause(50ms);
    }
    return false;
}

bool ProgramBlock(OperationContext& ctx, const FirmwareImage& image, int k) {
    return SendBlockRequest(ctx, ProgressBar::Program, k,
                            BlockCommand(ctx, "Zp", k) + BlockHexText(image.Block(k)));
}

bool VerifyBlock(OperationContext& ctx, const FirmwareImage& image, int k) {
    return SendBlockRequest(ctx, ProgressBar::Verify, k, BlockCommand(ctx, "Zv", k)) &&
           VerifyReplyMatches(ctx.link.LastReply(), image.Block(k));
}

// Programming and verifying walk the blocks alike: the phase's text, then one block after
// another, its bar one behind until the phase is through. Says where it stopped, if it did.
std::optional<UpgradeOutcome> RunBlockPhase(OperationContext& ctx, TextId text, ProgressBar bar,
                                            int blockCount,
                                            const std::function<bool(int)>& sendBlock) {
    const End failed = bar == ProgressBar::Program ? End::ProgramFailed : End::VerifyFailed;
    ctx.host.ShowStatus(ctx.host.Text(text));
    ctx.services.ProcessEvents();
    ctx.services.Pause(50ms);
    ctx.host.SetProgressMaximum(bar, blockCount);
    for (int k = 0; k < blockCount; ++k) {
        if (ctx.host.StopRequested()) {
            return UpgradeOutcome{End::Interrupted, k};
        }
        BeginBlock(ctx);
        if (!sendBlock(k)) {
            return UpgradeOutcome{failed, k};
        }
        ctx.host.SetProgressPosition(bar, k);
    }
    ctx.host.SetProgressPosition(bar, blockCount);
    return std::nullopt;
}

// The controller may restart without answering; the outcome is already decided.
bool SendFinal(OperationContext& ctx) {
    ctx.host.ShowStatus(ctx.host.Text(TextId::Upgrading));
    ctx.services.ProcessEvents();
    ctx.services.Pause(100ms);
    if (!ctx.link.Transact(Command(ctx, "ZrC4E9"))) {
        return false;
    }
    ctx.services.LongPause(7000ms);
    return true;
}

UpgradeOutcome RunPhases(OperationContext& ctx, const FirmwareImage& image) {
    ctx.services.Pause(100ms);
    if (!ctx.link.Transact(Command(ctx, "Zx6D2A"))) {
        return {End::OpeningFailed};
    }
    const int n = image.BlockCount();
    const auto program = [&](int k) { return ProgramBlock(ctx, image, k); };
    const auto verify = [&](int k) { return VerifyBlock(ctx, image, k); };
    if (auto stopped = RunBlockPhase(ctx, TextId::Programming, ProgressBar::Program, n, program)) {
        return *stopped;
    }
    if (auto stopped = RunBlockPhase(ctx, TextId::Verifying, ProgressBar::Verify, n, verify)) {
        return *stopped;
    }
    if (ctx.host.StopRequested()) {
        return {End::Interrupted};
    }
    return {End::Done, -1, SendFinal(ctx)};
}

}  // namespace

UpgradeOutcome RunFirmwareUpgrade(OperationContext& ctx, FirmwareImage& image) {
    ctx.host.SetProgressPosition(ProgressBar::Program, 0);
    ctx.host.SetProgressPosition(ProgressBar::Verify, 0);
    if (!LoadFirmwareImage(ctx, image)) {
        return {End::FileError};
    }
    if (!BeginOperation(ctx)) {
        EndOpenFailure(ctx);
        return {End::OpenFailed};
    }
    const UpgradeOutcome outcome = RunPhases(ctx, image);
    if (outcome.end == End::Done) {
        EndSuccess(ctx);
    } else {
        EndFailure(ctx);
    }
    return outcome;
}
