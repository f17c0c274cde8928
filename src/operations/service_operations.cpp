#include "acknowledged_command.h"
#include "operations.h"

void RunServiceCommand(OperationContext& ctx, ServiceCommand command) {
    const bool factory = command == ServiceCommand::Factory;
    const QByteArray text = factory ? QByteArrayLiteral("AR01") : QByteArrayLiteral("AR00");
    RunAcknowledgedCommand(ctx, factory ? TextId::SetFactory : TextId::SetReboot,
                           [text]() -> std::optional<QByteArray> { return text; });
}
