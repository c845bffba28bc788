// An effect that breaks the host's rules, for the tests of what the stand-in
// host records. It declares nothing at global setup and does nothing, so that
// whatever the host then gives it is more than it asked for; its parameter
// setup counts parameters it never added.
#include "PF_Entry.h"

// How the next registration goes wrong: 0 it does not, 1 the callback is
// called twice, 2 it is called with &g_own_data instead of the host's pointer.
// The test sets it through the module's symbol before registering again.
extern "C" __attribute__((visibility("default"))) int g_registration_fault;
int g_registration_fault = 0;
extern "C" __attribute__((visibility("default"))) int g_own_data;
int g_own_data = 0;

PF_EXPORT PF_Err PluginDataEntryFunction(PF_PluginDataPtr in_ptr, PF_PluginDataCB callback, SPBasicSuite*,
                                         const char*, const char*)
{
    const auto text = [](const char* s) { return reinterpret_cast<const A_u_char*>(s); };
    const auto register_with = [&](PF_PluginDataPtr data) {
        return callback(data, text("Faulty"), text("ADBE Faulty"), text("Tests"), text("EffectMain"),
                        PF_Kind_EFFECT, 13, 15, 8);
    };
    const PF_Err err = register_with(g_registration_fault == 2 ? &g_own_data : in_ptr);
    return g_registration_fault == 1 ? register_with(in_ptr) : err;
}

PF_EXPORT PF_Err EffectMain(PF_Cmd cmd, PF_InData*, PF_OutData* out_data, PF_ParamDef*[], PF_LayerDef*, void*)
{
    if (cmd == PF_Cmd_GLOBAL_SETUP) {
        out_data->out_flags = 0;
        out_data->out_flags2 = 0;
    }
    if (cmd == PF_Cmd_PARAMS_SETUP)
        out_data->num_params = 5;
    return PF_Err_NONE;
}
