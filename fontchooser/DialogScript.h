// The font dialog's script template.
#pragma once

#include <cstddef>

// 29 lines joined by line feeds, no line feed after the last; holds exactly
// one "%s" (the family list text) and one "%d" (the entry to preselect).
extern const char kDialogScriptTemplate[];
constexpr std::size_t kDialogScriptTemplateLength = 837;
