// "AEGP Utility Suite" 11: the host's script engine, at entry 27.
#pragma once

#include "PF_Types.h"

namespace standin {

const void* utility_suite11_table();

// What a script run answers when the script fails to parse or throws: the
// host's generic error.
constexpr PF_Err kScriptFailed = 1;

} // namespace standin
