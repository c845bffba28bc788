#include "FontChooser.h"

#include "Params.h"
#include "PopDialog.h"

PF_Err UserChangedParam(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                        PF_LayerDef* output, const PF_UserChangedParamExtra* extra)
{
    // Only the font button acts, and Premiere Pro has no script engine for it.
    if (!extra || extra->param_index != PARAM_FONT_BUTTON)
        return PF_Err_NONE;
    if (in_data->appl_id == PF_ApplId_PREMIERE)
        return PF_Err_NONE;
    return PopDialog(in_data, out_data, params, output);
}
