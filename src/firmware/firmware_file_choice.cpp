#include "firmware_image.h"
#include "firmware_operations.h"
#include "operation_host.h"

void ChooseFirmwareFile(OperationContext& ctx, const QString& path) {
    ctx.host.SetProgressPosition(ProgressBar::Program, 0);
    ctx.host.SetProgressPosition(ProgressBar::Verify, 0);
    ctx.host.SetFirmwareFilePath(path);
    // A file that cannot be opened stays chosen; it shows only when an upgrade loads it.
    if (const auto header = ReadFirmwareHeader(path)) {
        ctx.host.ShowStatus(FirmwareHeaderText(*header));
    }
}
