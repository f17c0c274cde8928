#pragma once

#include "operation_context.h"

class FirmwareImage;

// Loads the file named by the firmware file path; a failure is shown and beeped here.
bool LoadFirmwareImage(OperationContext& ctx, FirmwareImage& image);
