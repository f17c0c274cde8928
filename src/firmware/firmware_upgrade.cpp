#include "firmware_image.h"
#include "firmware_loading.h"
#include "firmware_operations.h"
#include "link.h"
#include "operation_frame.h"
#include "operation_host.h"
#include "reply_position.h"
#include "services.h"

using namespace std::chrono_literals;

namespace {

constexpr int kAttempts = 5;
// Characters 8 to 1031 of a verify reply hold the block as hex digits.
constexpr int kVerifyDataFirst = 8;
constexpr int kVerifyDataLast = kVerifyDataFirst + 2 * FirmwareImage::kBlockSize - 1;

QByteArray Command(const OperationContext& ctx, const QByteArray& code) {
    return ctx.state.deviceId + code;
}

QByteArray BlockCommand(const OperationContext& ctx, const char* code, int k) {
    return Command(
        ctx,
        code +
            QByteArray::number(k * FirmwareImage::kBlockSize, 16).toUpper().rightJustified(4, '0'));
}

// One block at a time, right before it is sent: never the whole image as text.
QByteArray BlockHex(const FirmwareImage& image, int k) {
    return image.Block(k).toByteArray().toHex().toUpper();
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

bool TransactWithRetries(OperationContext& ctx, const QByteArray& command) {
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
        const QByteArray request = BlockCommand(ctx, "Zp", k) + BlockHex(image, k);
        if (!TransactWithRetries(ctx, request)) {
            return false;
        }
        ctx.host.SetProgressPosition(ProgressBar::Program, k);
    }
    ctx.host.SetProgressPosition(ProgressBar::Program, n);
    return true;
}

bool VerifyBlock(OperationContext& ctx, const FirmwareImage& image, int k) {
    const QByteArray request = BlockCommand(ctx, "Zv", k);
    const QByteArray expected = BlockHex(image, k);
    if (!TransactWithRetries(ctx, request)) {
        return false;
    }
    // Exact and case-sensitive; a short reply gives fewer characters and so differs.
    return ReplyPositions(ctx.link.LastReply(), kVerifyDataFirst, kVerifyDataLast) == expected;
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
        ctx.services.Pause(7000ms);
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
