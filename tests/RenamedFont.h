// Font files with family names of a test's choosing, made from an installed
// TrueType font by replacing its naming table.
#pragma once

#include <string>

// Writes `dest`: the TrueType font `source` with `family` (UTF-8, no
// character beyond U+FFFF) as its family and "Regular" as its style.
// Throws std::runtime_error when `source` cannot be read or `dest` written.
void write_renamed_font(const std::string& source, const std::string& dest,
                        const std::string& family);

// An installed font that the renamed fonts start from.
inline const char* kSourceFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
