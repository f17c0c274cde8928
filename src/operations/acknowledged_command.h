#pragma once

#include <QByteArray>

#include <functional>
#include <optional>

#include "operation_context.h"
#include "text_id.h"

// The shape of the one-shot service commands: start, their own status text, 100 ms, one command
// answered by a 13-character acknowledgement, ending. The command (without the device ID) is
// built after the pause; nullopt means it cannot be built, and nothing is sent.
void RunAcknowledgedCommand(OperationContext& ctx, TextId status,
                            const std::function<std::optional<QByteArray>()>& buildCommand);
