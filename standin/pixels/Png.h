// PNG files as the host reads layers from and writes frames to (libpng).
#pragma once

#include <cstdio>
#include <string>

#include "World.h"

namespace standin {

// Reads an 8- or 16-bit PNG of any colour type into a world of the given
// depth. 16-bit PNG values p map to round(p * 32768 / 65535) in 16-bit
// worlds; 8-bit into 16-bit by round(v * 32768 / 255), 16-bit into 8-bit
// by round(p * 255 / 65535). Throws HostError with a one-line reason, for a
// picture larger than 16384 a side before its pixels take any memory.
World read_png(const std::string& path, bool deep);

// Writes a world as RGBA: 8-bit worlds as 8-bit PNG, 16-bit worlds as
// 16-bit PNG with v -> round(v * 65535 / 32768), which read_png undoes
// exactly. Every row takes the "up" filter at zlib level 3. Throws HostError
// with libpng's reason; the file stays open.
void write_png(std::FILE* file, const PF_LayerDef& world);

// The same into a PendingFile renamed to path, so a file of that name is
// always whole. Throws HostError naming path.
void write_png(const std::string& path, const PF_LayerDef& world);

} // namespace standin
