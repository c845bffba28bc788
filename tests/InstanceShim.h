// TEMPORARY until parameter setup lands: the effect's twelve parameters at their defaults.
#pragma once
#include "Host.h"
#include "overlay/Params.h"
inline PF_Err set_up_instance(standin::Host& host)
{
    if (PF_Err err = host.global_setup())
        return err;
    host.params().resize(PARAM_NUM_PARAMS);
    auto& p = host.params();
    p[PARAM_OPACITY].param_type = PF_Param_FLOAT_SLIDER;
    p[PARAM_OPACITY].u.fs_d.value = 100;
    p[PARAM_COLOR].param_type = PF_Param_COLOR;
    p[PARAM_COLOR].u.cd.value = {255, 255, 255, 255};
    p[PARAM_FONT_SIZE].param_type = PF_Param_FLOAT_SLIDER;
    p[PARAM_FONT_SIZE].u.fs_d.value = 32;
    p[PARAM_FONT_WEIGHT].param_type = PF_Param_POPUP;
    p[PARAM_FONT_WEIGHT].u.pd.value = 1;
    p[PARAM_POSITION].param_type = PF_Param_POINT;
    p[PARAM_AUDIO_LAYER].param_type = PF_Param_LAYER;
    p[PARAM_SAMPLE_OFFSET].param_type = PF_Param_SLIDER;
    p[PARAM_SAMPLE_WIDTH].param_type = PF_Param_SLIDER;
    p[PARAM_SAMPLE_WIDTH].u.sd.value = 4;
    host.in_data().num_params = PARAM_NUM_PARAMS;
    return PF_Err_NONE;
}
