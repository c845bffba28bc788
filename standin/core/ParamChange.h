// The user changing one of the effect's parameters in the host's panel.
#pragma once

#include "Host.h"

namespace standin {

// Sends the user-changed-parameter command for parameter `index` (pressing
// a button, say). The instance's sequence data goes in both records, as the
// host hands it to every command; returns the effect's result.
PF_Err user_changed_param(Host& host, PF_ParamIndex index);

} // namespace standin
