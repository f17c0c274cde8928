#pragma once

#include "operation_context.h"

// The controller operations, one per button of the window. Each runs to its end inside the click
// that started it.
void RunConnect(OperationContext& ctx);
void RunControllerConsole(OperationContext& ctx);
void RunModuleConsole(OperationContext& ctx);
// The two continuous tests are toggles: a click while one runs only asks it to stop.
void DidoTestClick(OperationContext& ctx);
void PollingTestClick(OperationContext& ctx);
void RunSetDateTime(OperationContext& ctx);
void RunAlarmTest(OperationContext& ctx);

enum class ServiceCommand { Factory, Reboot };
void RunServiceCommand(OperationContext& ctx, ServiceCommand command);
