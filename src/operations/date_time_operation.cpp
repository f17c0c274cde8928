#include "acknowledged_command.h"
#include "operations.h"
#include "services.h"

void RunSetDateTime(OperationContext& ctx) {
    // The time is read after the pause: it is the time at the moment of sending.
    RunAcknowledgedCommand(ctx, TextId::SetDateAndTime, [&ctx]() -> std::optional<QByteArray> {
        const QDateTime now = ctx.services.Now();
        return QByteArrayLiteral("AA") + now.toString(QStringLiteral("yyyyMMddHHmmss")).toLatin1();
    });
}
