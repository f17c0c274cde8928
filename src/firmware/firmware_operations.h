#pragma once

#include <QString>

#include "operation_context.h"

class FirmwareImage;

// File > Firmware file, after the dialog returned a name.
void ChooseFirmwareFile(OperationContext& ctx, const QString& path);
// btnFirmware: load the image afresh, program, verify, final command.
void RunFirmwareUpgrade(OperationContext& ctx, FirmwareImage& image);
