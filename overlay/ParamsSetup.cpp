// The effect's controls: eleven parameters after the host's input layer.
#include <cstring>

#include "Handlers.h"
#include "Marrowtick_Strings.h"
#include "Params.h"

namespace {

// Percent of the layer's size, in 16.16: the layer's centre.
constexpr PF_Fixed kCentrePercent = 50 << 16;

struct ParamRow {
    PF_ParamType type;
    StringId name;          // StrID_NONE: the name stays empty
    A_long id;
    void (*set_values)(PF_ParamDef& def);
};

void SetFloatSlider(PF_FloatSliderDef& fs, PF_FpShort valid_max, PF_FpShort slider_min,
                    PF_FpShort slider_max, PF_FpLong value, A_short precision)
{
    fs.valid_min = 0;
    fs.valid_max = valid_max;
    fs.slider_min = slider_min;
    fs.slider_max = slider_max;
    fs.value = value;
    fs.dephault = static_cast<PF_FpShort>(value);
    fs.precision = precision;
    fs.curve_tolerance = 0.05f;
}

void SetSlider(PF_SliderDef& sd, A_long valid_min, A_long valid_max, A_long slider_min,
               A_long slider_max, A_long value)
{
    sd.valid_min = valid_min;
    sd.valid_max = valid_max;
    sd.slider_min = slider_min;
    sd.slider_max = slider_max;
    sd.value = value;
    sd.dephault = value;
}

void NoValues(PF_ParamDef&) {}

// In index order: the order of the add calls is the parameters' order.
const ParamRow kParams[PARAM_NUM_PARAMS - 1] = {
    {PF_Param_FLOAT_SLIDER, StrID_Opacity_Param_Name, 1,
     [](PF_ParamDef& def) { SetFloatSlider(def.u.fs_d, 100, 0, 100, 100.0, 2); }},
    {PF_Param_COLOR, StrID_Color_Param_Name, 2,
     [](PF_ParamDef& def) { def.u.cd.value = def.u.cd.dephault = PF_Pixel{255, 255, 255, 255}; }},
    {PF_Param_BUTTON, StrID_Font_Button_Param_Name, 11,
     [](PF_ParamDef& def) {
         def.u.button_d.u.namesptr = GetStringPtr(StrID_Font_Button_Label);
         def.flags = PF_ParamFlag_SUPERVISE;
         def.ui_flags = PF_PUI_STD_CONTROL_ONLY;
     }},
    {PF_Param_FLOAT_SLIDER, StrID_Font_Size_Param_Name, 3,
     [](PF_ParamDef& def) { SetFloatSlider(def.u.fs_d, 4000, 1, 128, 32.0, 1); }},
    {PF_Param_POPUP, StrID_Font_Weight_Param_Name, 4,
     [](PF_ParamDef& def) {
         def.u.pd.num_choices = 2;
         def.u.pd.u.namesptr = "Bold|Regular";
         def.u.pd.value = def.u.pd.dephault = 1;
     }},
    {PF_Param_POINT, StrID_Position_Param_Name, 5,
     [](PF_ParamDef& def) {
         def.u.td.x_value = def.u.td.x_dephault = kCentrePercent;
         def.u.td.y_value = def.u.td.y_dephault = kCentrePercent;
     }},
    {PF_Param_LAYER, StrID_Audio_Layer_Param_Name, 6,
     [](PF_ParamDef& def) { def.u.ld.dephault = PF_LayerDefault_MYSELF; }},
    {PF_Param_GROUP_START, StrID_Advanced_Group_Name, 7, NoValues},
    {PF_Param_SLIDER, StrID_Sample_Offset_Param_Name, 8,
     [](PF_ParamDef& def) { SetSlider(def.u.sd, -1000000000, 1000000000, -100, 100, 0); }},
    {PF_Param_SLIDER, StrID_Sample_Width_Param_Name, 9,
     [](PF_ParamDef& def) { SetSlider(def.u.sd, 1, 60, 1, 30, 4); }},
    // The group's end carries the id of its start.
    {PF_Param_GROUP_END, StrID_NONE, 7, NoValues},
};

} // namespace

PF_Err ParamsSetup(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* /*params*/[],
                   PF_LayerDef* /*output*/)
{
    PF_ParamDef def;
    for (const ParamRow& row : kParams) {
        std::memset(&def, 0, sizeof def);
        def.param_type = row.type;
        if (row.name != StrID_NONE)
            in_data->utils->ansi.strcpy(def.name, GetStringPtr(row.name));
        row.set_values(def);
        def.uu.id = row.id;
        // The host copies the definition; -1 appends it.
        if (const PF_Err err = in_data->inter.add_param(in_data->effect_ref, -1, &def))
            return err;
    }
    out_data->num_params = PARAM_NUM_PARAMS;
    return PF_Err_NONE;
}
