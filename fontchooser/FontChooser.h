// The reaction to the "Choose Font..." button.
#pragma once

#include "PF_Records.h"

PF_Err UserChangedParam(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                        PF_LayerDef* output, const PF_UserChangedParamExtra* extra);
