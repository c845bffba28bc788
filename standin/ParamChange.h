// The user changing one of the effect's parameters in the host's panel.
#pragma once

#include "Host.h"

namespace standin {

// Sends the user-changed-parameter command for parameter `index` (pressing
// a button, say) with the host's records as they stand; returns its result.
PF_Err user_changed_param(Host& host, PF_ParamIndex index);

} // namespace standin
