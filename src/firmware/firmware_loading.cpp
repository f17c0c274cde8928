#include "firmware_loading.h"

#include "firmware_image.h"
#include "operation_host.h"
#include "services.h"

using namespace std::chrono_literals;

bool LoadFirmwareImage(OperationContext& ctx, FirmwareImage& image) {
    if (image.Load(ctx.host.FirmwareFilePath())) {
        return true;
    }
    ctx.host.ShowStatus(ctx.host.Text(TextId::LoadFirmwareFileError));
    ctx.host.SetLinkLamp(LampColor::Red);
    ctx.services.Beep(300, 300ms);
    return false;
}
