#include <QStringView>

#include <functional>
#include <optional>

#include "command_text.h"
#include "link.h"
#include "operation_frame.h"
#include "operation_host.h"
#include "operations.h"
#include "services.h"

namespace {

// Module letters by the row of the module type list.
constexpr char kModuleLetters[] = {'A', 'B', 'H', 'I', 'J', 'E'};
constexpr int kModuleTypes = static_cast<int>(sizeof kModuleLetters);

using CommandBuilder = std::function<std::optional<QByteArray>()>;
using ReplyShower = std::function<void(const QByteArray&)>;

// One press of a console: the command is read from the controls after the pause, as typed. A
// command that cannot be built or framed whole is not sent at all.
void RunConsole(OperationContext& ctx, const CommandBuilder& build, const ReplyShower& show) {
    if (!BeginOperation(ctx)) {
        EndOpenFailure(ctx);
        return;
    }
    ctx.services.Pause(kCommandPause);
    const std::optional<QByteArray> text = build();
    if (!text) {
        EndFailure(ctx);
        return;
    }
    const QByteArray command = ctx.state.deviceId + *text;
    if (!FitsInFrame(command) || !ctx.link.Transact(command)) {
        EndFailure(ctx);
        return;
    }
    show(ctx.link.LastReply());
    EndSuccess(ctx);
}

std::optional<QByteArray> ModuleCommand(const OperationHost& host) {
    const int row = host.ModuleTypeRow();
    if (row < 0 || row >= kModuleTypes) {
        return std::nullopt;
    }
    return QByteArrayLiteral("DD") + kModuleLetters[row] + TypedCommandBytes(host.ModuleAddress()) +
           TypedCommandBytes(host.ModuleCommand());
}

}  // namespace

void RunControllerConsole(OperationContext& ctx) {
    OperationHost& host = ctx.host;
    RunConsole(
        ctx,
        [&host]() -> std::optional<QByteArray> {
            return TypedCommandBytes(host.ControllerCommand());
        },
        [&host](const QByteArray& reply) { host.ShowControllerReply(reply); });
}

void RunModuleConsole(OperationContext& ctx) {
    OperationHost& host = ctx.host;
    RunConsole(
        ctx, [&host] { return ModuleCommand(host); },
        [&host](const QByteArray& reply) { host.ShowModuleReply(reply); });
}
