#include <optional>

#include "command_text.h"
#include "link.h"
#include "operation_frame.h"
#include "operation_host.h"
#include "operations.h"
#include "reply_fields.h"
#include "services.h"

namespace {

constexpr int kIdentifyAttempts = 3;
// The countdown shown after each unanswered attempt starts at this number.
constexpr int kCountdownStart = 9;

std::optional<QByteArray> Identify(OperationContext& ctx) {
    for (int attempt = 0; attempt < kIdentifyAttempts; ++attempt) {
        ctx.services.Pause(kCommandPause);
        if (ctx.link.Transact(QByteArrayLiteral("0000AC"))) {
            if (auto id = ParseIdentifyReply(ctx.link.LastReply(), ctx.link.ReplyLength())) {
                return id;
            }
        }
        ctx.host.ShowStatus(ctx.host.Text(TextId::ConnectingDevice) +
                            QString::asprintf(" ( %d )", kCountdownStart - attempt));
        ctx.services.ProcessEvents();
        if (ctx.host.StopRequested()) {
            break;
        }
    }
    return std::nullopt;
}

OpenFailure NoIdentifyAnswer(const LinkSettings& settings) {
    OpenFailure failure;
    failure.cause = OpenCause::NoAnswer;
    failure.link = settings.type;
    if (settings.type == LinkType::Serial) {
        failure.portName = settings.portName;
        failure.speed = settings.speed;
    } else {
        failure.ip = settings.ip;
        failure.tcpPort = settings.tcpPort;
    }
    return failure;
}

void ShowVersion(OperationContext& ctx) {
    ctx.services.Pause(kCommandPause);
    if (ctx.link.Transact(ctx.state.deviceId + "DB")) {
        if (auto version = ParseVersionReply(ctx.link.LastReply(), ctx.link.ReplyLength())) {
            ctx.host.ShowVersion(*version);
        }
    }
}

void ShowSerialNumber(OperationContext& ctx) {
    ctx.services.Pause(kCommandPause);
    if (ctx.link.Transact(ctx.state.deviceId + "AS")) {
        if (auto serial = ParseSerialReply(ctx.link.LastReply(), ctx.link.ReplyLength())) {
            ctx.host.ShowSerialNumber(*serial);
        }
    }
}

}  // namespace

void RunConnect(OperationContext& ctx) {
    ctx.host.SetMainPagesEnabled(false);
    if (!BeginOperation(ctx)) {
        EndOpenFailure(ctx);
        return;
    }
    const std::optional<QByteArray> id = Identify(ctx);
    if (!id) {
        // The earlier panels and device ID stay: only an answer replaces them.
        ctx.host.ShowOpenFailure(NoIdentifyAnswer(ctx.link.Settings()));
        ctx.link.CloseLink();
        EndOpenFailure(ctx);
        return;
    }
    ctx.host.ShowVersion(QString());
    ctx.host.ShowSerialNumber(QString());
    ctx.state.deviceId = *id;
    ctx.host.SaveLinkSettings();
    ShowVersion(ctx);
    ShowSerialNumber(ctx);
    EndSuccess(ctx);
    ctx.host.SetMainPagesEnabled(true);
}
