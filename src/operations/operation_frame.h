#pragma once

#include "operation_context.h"

// The frame every operation runs in: start, its transactions, exactly one ending.
bool BeginOperation(OperationContext& ctx);
void EndOpenFailure(OperationContext& ctx);
void EndSuccess(OperationContext& ctx);
void EndFailure(OperationContext& ctx);
void SetBusy(OperationContext& ctx, bool on);
// One tick of tmrBusy: the link lamp alternates red and yellow.
void BusyTimerTick(OperationContext& ctx);
