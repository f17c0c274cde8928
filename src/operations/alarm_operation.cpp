#include "acknowledged_command.h"
#include "operation_host.h"
#include "operations.h"

namespace {

constexpr int kLastAlarmCode = 6;  // "Alarm Off" is 0, "Duress Alarm" 6

}  // namespace

void RunAlarmTest(OperationContext& ctx) {
    RunAcknowledgedCommand(ctx, TextId::AlarmTest, [&ctx]() -> std::optional<QByteArray> {
        const int code = ctx.host.AlarmIndex();
        if (code < 0 || code > kLastAlarmCode) {
            return std::nullopt;
        }
        return QByteArrayLiteral("JF") + QByteArray::number(code);
    });
}
