#pragma once

#include "operation_context.h"
#include "operation_host.h"

// The DIDO test and the polling data test share one loop: outputs, inputs and, for polling, one
// poll per cycle, until a click on the test's own button clears testRunning. The click that
// starts a test returns only when the test has ended; a click while it runs only asks it to stop.
void ContinuousTestClick(OperationContext& ctx, TestButton button);
