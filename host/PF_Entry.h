// The effect's two entry points, as the host calls them.
#pragma once

#include "PF_Records.h"

typedef void* PF_PluginDataPtr;

// The host's registration callback.
typedef PF_Err (*PF_PluginDataCB)(PF_PluginDataPtr in_ptr, const A_u_char* name,
                                  const A_u_char* match_name, const A_u_char* category,
                                  const A_u_char* entry_point_name, A_long kind,
                                  A_long api_version_major, A_long api_version_minor,
                                  A_long reserved_info);

typedef PF_Err (*PF_PluginDataEntryFunc)(PF_PluginDataPtr in_ptr, PF_PluginDataCB callback,
                                          SPBasicSuite* basic_suite, const char* host_name,
                                          const char* host_version);

typedef PF_Err (*PF_EffectMainFunc)(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data,
                                     PF_ParamDef* params[], PF_LayerDef* output, void* extra);

#define PF_EXPORT extern "C" __attribute__((visibility("default")))
