// The host's AEGP suites, as the effect uses them. Entries stand at their
// host entry numbers (counted from 0), with placeholders before them.
#pragma once

#include <cstddef>

#include "PF_Types.h"

typedef void (*AEGP_UnusedEntry)(void);

#define kAEGPUtilitySuite "AEGP Utility Suite"
#define kAEGPUtilitySuiteVersion3 7
struct AEGP_UtilitySuite3 {
    AEGP_UnusedEntry unused_0_to_6[7];
    // 7: registers the plug-in with the host's plug-in services.
    PF_Err (*AEGP_RegisterWithAEGP)(AEGP_GlobalRefcon global_refcon, const A_char* plugin_name,
                                    AEGP_PluginID* plugin_id);
};
static_assert(offsetof(AEGP_UtilitySuite3, AEGP_RegisterWithAEGP) == 7 * sizeof(void (*)()));

#define kAEGPUtilitySuiteVersion5 11
struct AEGP_UtilitySuite5 {
    AEGP_UnusedEntry unused_0_to_26[27];
    // 27: runs a script and returns once it has ended; *result0 receives a
    // memory handle holding the script's value as text, owned by the caller.
    PF_Err (*AEGP_ExecuteScript)(AEGP_PluginID plugin_id, const A_char* script,
                                 A_Boolean platform_encoding, AEGP_MemHandle* result0,
                                 AEGP_MemHandle* error0);
};
static_assert(offsetof(AEGP_UtilitySuite5, AEGP_ExecuteScript) == 27 * sizeof(void (*)()));

#define kAEGPMemorySuite "AEGP Memory Suite"
#define kAEGPMemorySuiteVersion1 1
struct AEGP_MemorySuite1 {
    PF_Err (*AEGP_NewMemHandle)(AEGP_PluginID plugin_id, const A_char* what, A_HandleSize size,
                                A_long flags, AEGP_MemHandle* mem);   // 0
    PF_Err (*AEGP_FreeMemHandle)(AEGP_MemHandle mem);                  // 1
    PF_Err (*AEGP_LockMemHandle)(AEGP_MemHandle mem, void** ptr);      // 2
    PF_Err (*AEGP_UnlockMemHandle)(AEGP_MemHandle mem);                // 3
    PF_Err (*AEGP_GetMemHandleSize)(AEGP_MemHandle mem, A_HandleSize* size); // 4
};
static_assert(offsetof(AEGP_MemorySuite1, AEGP_LockMemHandle) == 2 * sizeof(void (*)()));

// Suites that the suite handler can acquire but whose operations the effect
// never calls.
struct PFAppSuite4;
struct AEGP_PersistentDataSuite3;
