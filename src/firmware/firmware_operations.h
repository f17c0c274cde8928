#pragma once

#include <QString>

#include "operation_context.h"

class FirmwareImage;

// File > Firmware file, after the dialog returned a name.
void ChooseFirmwareFile(OperationContext& ctx, const QString& path);
// How an upgrade ended. The window shows it on the status line; a host without one reads this.
struct UpgradeOutcome {
    enum class End {
        FileError,
        OpenFailed,
        OpeningFailed,
        ProgramFailed,
        VerifyFailed,
        Interrupted,
        Done
    };
    End end = End::FileError;
    int block = -1;           // 0-based: the block that failed, or that a stop kept from being sent
    bool finalReply = false;  // Done: the final command got a checked reply (and its long pause)
};

// What a block request gets before its phase gives up.
inline constexpr int kBlockAttempts = 5;

// btnFirmware: load the image afresh, program, verify, final command.
UpgradeOutcome RunFirmwareUpgrade(OperationContext& ctx, FirmwareImage& image);
