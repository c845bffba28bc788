// The font dialog: one run lists the families, has the host show them, and
// stores the user's choice in the instance's sequence data.
#pragma once

#include "PF_Records.h"

// Reads the input record's basic suite, utility callbacks and sequence data;
// writes the output record's sequence data contents, message and flags
// (force-rerender on every path that does not end in a missing suite).
// 0, 4 (no memory for the list, the script or the new name), 512 (no output
// sequence data), or the host's code from the script run.
PF_Err PopDialog(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                 PF_LayerDef* output);
