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

constexpr int kAttempts = 5;

QByteArray Command(const OperationContext& ctx, const QByteArray& code) {
    return ctx.state.deviceId + code;
}

// "Zp" or "Zv" and the block's image address as "%04X".
QByteArray BlockCommand(const OperationContext& ctx, const char* code, int k) {
    const QByteArray address = QByteArray::number(k * FirmwareImage::kBlockSize, 16).toUpper();
    return Command(ctx, code + address.rightJustified(4, '0'));
}

void BeginPhase(OperationContext& ctx, TextId text, ProgressBar bar, int blockCount) {
    ctx.host.ShowStatus(ctx.host.Text(text));
    ctx.services.ProcessEvents();
    ctx.services.Pause(50ms);
    ctx.host.SetProgressMaximum(bar, blockCount);
}

void BeginBlock(OperationContext& ctx) {
    ctx.host.SetBusyCursor(true);
    ctx.services.ProcessEvents();
}

// A block request: a short pause, then up to five attempts, each after an event pump.
bool SendBlockRequest(OperationContext& ctx, const QByteArray& command) {
    ctx.services.Pause(4ms);
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        ctx.services.ProcessEvents();
        if (ctx.link.Transact(command)) {
            return true;
        }
        ctx.services.Pause(50ms);
    }
    return false;
}

bool ProgramBlocks(OperationContext& ctx, const FirmwareImage& image) {
    const int n = image.BlockCount();
    BeginPhase(ctx, TextId::Programming, ProgressBar::Program, n);
    for (int k = 0; k < n; ++k) {
        BeginBlock(ctx);
        const QByteArray request = BlockCommand(ctx, "Zp", k) + BlockHexText(image.Block(k));
        if (!SendBlockRequest(ctx, request)) {
            return false;
        }
        ctx.host.SetProgressPosition(ProgressBar::Program, k);
    }
    ctx.host.SetProgressPosition(ProgressBar::Program, n);
    return true;
}

bool VerifyBlock(OperationContext& ctx, const FirmwareImage& image, int k) {
    return SendBlockRequest(ctx, BlockCommand(ctx, "Zv", k)) &&
           VerifyReplyMatches(ctx.link.LastReply(), image.Block(k));
}

bool VerifyBlocks(OperationContext& ctx, const FirmwareImage& image) {
    const int n = image.BlockCount();
    BeginPhase(ctx, TextId::Verifying, ProgressBar::Verify, n);
    for (int k = 0; k < n; ++k) {
        BeginBlock(ctx);
        if (!VerifyBlock(ctx, image, k)) {
            return false;
        }
        ctx.host.SetProgressPosition(ProgressBar::Verify, k);
    }
    ctx.host.SetProgressPosition(ProgressBar::Verify, n);
    return true;
}

// The controller may restart without answering; the outcome is already decided.
void SendFinal(OperationContext& ctx) {
    ctx.host.ShowStatus(ctx.host.Text(TextId::Upgrading));
    ctx.services.ProcessEvents();
    ctx.services.Pause(100ms);
    if (ctx.link.Transact(Command(ctx, "ZrC4E9"))) {
        ctx.services.LongPause(7000ms);
    }
}

bool RunPhases(OperationContext& ctx, const FirmwareImage& image) {
    ctx.services.Pause(100ms);
    if (!ctx.link.Transact(Command(ctx, "Zx6D2A"))) {
        return false;
    }
    if (!ProgramBlocks(ctx, image) || !VerifyBlocks(ctx, image)) {
        return false;
    }
    SendFinal(ctx);
    return true;
}

}  // namespace

void RunFirmwareUpgrade(OperationContext& ctx, FirmwareImage& image) {
    ctx.host.SetProgressPosition(ProgressBar::Program, 0);
    ctx.host.SetProgressPosition(ProgressBar::Verify, 0);
    if (!LoadFirmwareImage(ctx, image)) {
        return;
    }
    if (!BeginOperation(ctx)) {
        EndOpenFailure(ctx);
        return;
    }
    if (RunPhases(ctx, image)) {
        EndSuccess(ctx);
    } else {
        EndFailure(ctx);
    }
}
