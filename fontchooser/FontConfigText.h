// The fontconfig configuration through which the font chooser finds families.
#pragma once

#include <cstddef>

// One line, no XML declaration: four font folders and a cache folder.
extern const char kFontConfigText[];
constexpr std::size_t kFontConfigTextLength = 193;
