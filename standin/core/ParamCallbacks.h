// The input record's parameter callbacks, as the stand-in host offers them.
#pragma once

#include "PF_Records.h"

namespace standin {

// inter.add_param: appends a copy of *def to the host's parameter list.
// Only index -1 (append) is offered; the definition's texts (name, popup
// choices, button label) must stay valid while the module is loaded.
PF_Err add_param(PF_ProgPtr effect_ref, PF_ParamIndex index, PF_ParamDef* def);

} // namespace standin
