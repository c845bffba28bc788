// The effect's registration and command entries, and its global state.
#pragma once

#include "PF_Entry.h"

// The id that the host's plug-in services handed out at global setup;
// the font dialog passes it when it asks the host to run a script.
extern "C" __attribute__((visibility("default"))) AEGP_PluginID G_my_plugin_id;

PF_EXPORT PF_Err PluginDataEntryFunction(PF_PluginDataPtr in_ptr, PF_PluginDataCB callback,
                                         SPBasicSuite* basic_suite, const char* host_name,
                                         const char* host_version);

PF_EXPORT PF_Err EffectMain(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data,
                            PF_ParamDef* params[], PF_LayerDef* output, void* extra);

// Version 1.0.0, release stage, in the host's version-word layout.
constexpr A_u_long kMarrowtickVersion = 0x80600;
constexpr int kMajorVersion = 1;
constexpr int kMinorVersion = 0;
constexpr int kBugVersion = 0;
