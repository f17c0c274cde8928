#pragma once

#include <QString>

namespace sim {

// Writes a firmware image file the tool takes: a 16-byte header, then `blocks` blocks of 512
// bytes of data that differ from block to block and from erased flash. False and a reason when
// the file cannot be written.
bool WriteSampleImage(const QString& path, int blocks, QString* error);

}  // namespace sim
