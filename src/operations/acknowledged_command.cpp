#include "acknowledged_command.h"

#include "link.h"
#include "operation_frame.h"
#include "operation_host.h"
#include "services.h"

namespace {

constexpr int kAcknowledgementLength = 13;

}  // namespace

void RunAcknowledgedCommand(OperationContext& ctx, TextId status,
                            const std::function<std::optional<QByteArray>()>& buildCommand) {
    if (!BeginOperation(ctx)) {
        EndOpenFailure(ctx);
        return;
    }
    ctx.host.ShowStatus(ctx.host.Text(status));
    ctx.services.ProcessEvents();
    ctx.services.Pause(kCommandPause);
    const std::optional<QByteArray> command = buildCommand();
    if (command && ctx.link.Transact(ctx.state.deviceId + *command) &&
        ctx.link.ReplyLength() == kAcknowledgementLength) {
        EndSuccess(ctx);
    } else {
        EndFailure(ctx);
    }
}
