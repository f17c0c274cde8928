#pragma once

#include <chrono>

#include "operation_context.h"

// The pause before the command of a one-shot operation and before each identify attempt.
inline constexpr std::chrono::milliseconds kCommandPause{100};

// The frame every operation runs in: start, its transactions, exactly one ending.
bool BeginOperation(OperationContext& ctx);
void EndOpenFailure(OperationContext& ctx);
void EndSuccess(OperationContext& ctx);
void EndFailure(OperationContext& ctx);
void SetBusy(OperationContext& ctx, bool on);
// One tick of tmrBusy: the link lamp alternates red and yellow.
void BusyTimerTick(OperationContext& ctx);
