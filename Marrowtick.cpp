#include "Marrowtick.h"

#include <new>

#include "AEFX_SuiteScoper.h"
#include "AEGP_SuiteHandler.h"
#include "Marrowtick_Strings.h"
#include "fontchooser/FontChooser.h"
#include "overlay/Handlers.h"

AEGP_PluginID G_my_plugin_id = 0;

namespace {

constexpr PF_OutFlags kOutFlags = PF_OutFlag_DEEP_COLOR_AWARE | PF_OutFlag_I_USE_AUDIO |
                                  PF_OutFlag_SEQUENCE_DATA_NEEDS_FLATTENING |
                                  PF_OutFlag_NON_PARAM_VARY;
constexpr PF_OutFlags2 kOutFlags2 = PF_OutFlag2_SUPPORTS_GET_FLATTENED_SEQUENCE_DATA;

PF_Err About(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* /*params*/[],
             PF_LayerDef* /*output*/)
{
    AEGP_SuiteHandler suites(in_data->pica_basicP);
    suites.ANSICallbacksSuite1()->sprintf(out_data->return_msg, "%s v%d.%d.%d\r%s\r\r%s",
                                          GetStringPtr(StrID_Name), kMajorVersion, kMinorVersion,
                                          kBugVersion, GetStringPtr(StrID_Author),
                                          GetStringPtr(StrID_Description));
    return PF_Err_NONE;
}

PF_Err GlobalSetup(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* /*params*/[],
                   PF_LayerDef* /*output*/)
{
    out_data->my_version = kMarrowtickVersion;
    out_data->out_flags = kOutFlags;
    out_data->out_flags2 = kOutFlags2;

    // Premiere Pro has no plug-in services to register with.
    if (in_data->appl_id == PF_ApplId_PREMIERE)
        return PF_Err_NONE;

    AEFX_SuiteScoper<AEGP_UtilitySuite3> utility(in_data, kAEGPUtilitySuite,
                                                 kAEGPUtilitySuiteVersion3);
    return utility->AEGP_RegisterWithAEGP(nullptr, GetStringPtr(StrID_Name), &G_my_plugin_id);
}

PF_Err Dispatch(A_u_long cmd, PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                PF_LayerDef* output, void* extra)
{
    switch (cmd) {
    case PF_Cmd_ABOUT:
        return About(in_data, out_data, params, output);
    case PF_Cmd_GLOBAL_SETUP:
        return GlobalSetup(in_data, out_data, params, output);
    case PF_Cmd_PARAMS_SETUP:
        return ParamsSetup(in_data, out_data, params, output);
    case PF_Cmd_SEQUENCE_SETUP:
        return SequenceSetup(in_data, out_data);
    case PF_Cmd_SEQUENCE_RESETUP:
        return SequenceResetup(in_data, out_data);
    case PF_Cmd_SEQUENCE_FLATTEN:
        return SequenceFlatten(in_data, out_data);
    case PF_Cmd_SEQUENCE_SETDOWN:
        return SequenceSetdown(in_data, out_data);
    case PF_Cmd_RENDER:
        return Render(in_data, out_data, params, output);
    case PF_Cmd_USER_CHANGED_PARAM:
        return UserChangedParam(in_data, out_data, params, output,
                                static_cast<const PF_UserChangedParamExtra*>(extra));
    case PF_Cmd_GET_FLATTENED_SEQUENCE_DATA:
        return GetFlattenedSequenceData(in_data, out_data);
    default:
        return PF_Err_NONE;
    }
}

} // namespace

PF_Err PluginDataEntryFunction(PF_PluginDataPtr in_ptr, PF_PluginDataCB callback,
                               SPBasicSuite* /*basic_suite*/, const char* /*host_name*/,
                               const char* /*host_version*/)
{
    return callback(in_ptr, reinterpret_cast<const A_u_char*>("Marrowtick"),
                    reinterpret_cast<const A_u_char*>("ADBE Marrowtick"),
                    reinterpret_cast<const A_u_char*>("Ondrel Plug-Ins"),
                    reinterpret_cast<const A_u_char*>("EffectMain"), PF_Kind_EFFECT, 13, 15, 8);
}

// The one place where C++ meets the host: no exception leaves it.
PF_Err EffectMain(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                  PF_LayerDef* output, void* extra)
{
    try {
        return Dispatch(static_cast<A_u_long>(cmd), in_data, out_data, params, output, extra);
    } catch (int thrown_err) {
        return thrown_err;
    } catch (const std::bad_alloc&) {
        return PF_Err_OUT_OF_MEMORY;
    } catch (...) {
        return PF_Err_INTERNAL_STRUCT_DAMAGED;
    }
}
