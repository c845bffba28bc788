// "AEGP Memory Suite" 1: memory handles, kept in Host::mem_handles() and
// counted by Host::held() until freed.
#pragma once

#include <string_view>

#include "PF_Types.h"

namespace standin {

const void* memory_suite_table();

// A handle holding `text` and a terminator, made by the host for the effect
// (a script's value, say): the effect frees it. Not recorded.
AEGP_MemHandle new_mem_text(std::string_view text);

} // namespace standin
