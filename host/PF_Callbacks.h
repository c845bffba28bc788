// The callbacks the host hands over in its input record.
#pragma once

#include <cstddef>

#include "PF_Types.h"

struct SPBasicSuite;
struct PF_ParamDef;

// Interaction callbacks; each takes the effect reference first.
struct PF_InteractCallbacks {
    PF_Err (*checkout_param)(PF_ProgPtr effect_ref, PF_ParamIndex index, A_long what_time,
                             A_long time_step, A_u_long time_scale, PF_ParamDef* param);
    PF_Err (*checkin_param)(PF_ProgPtr effect_ref, PF_ParamDef* param);
    // Appends a copy of *def when index is -1.
    PF_Err (*add_param)(PF_ProgPtr effect_ref, PF_ParamIndex index, PF_ParamDef* def);
    PF_Err (*abort)(PF_ProgPtr effect_ref);
    PF_Err (*progress)(PF_ProgPtr effect_ref, A_long current, A_long total);
    // The audio of the layer that parameter `index` names, resampled to
    // `rate` (16.16 Hz) and converted to the given sample format. *audio is
    // null when the layer has no audio. start and duration are in time_scale.
    PF_Err (*checkout_layer_audio)(PF_ProgPtr effect_ref, PF_ParamIndex index, A_long start_time,
                                   A_long duration, A_u_long time_scale, PF_UFixed rate,
                                   A_long bytes_per_sample, A_long num_channels, A_long fmt_signed,
                                   PF_LayerAudio* audio);
    PF_Err (*checkin_layer_audio)(PF_ProgPtr effect_ref, PF_LayerAudio audio);
    // The samples stay the host's, valid until the check-in.
    PF_Err (*get_audio_data)(PF_ProgPtr effect_ref, PF_LayerAudio audio, PF_SndSamplePtr* data0,
                             A_long* num_samples0, PF_UFixed* rate0, A_long* bytes_per_sample0,
                             A_long* num_channels0, A_long* fmt_signed0);
};

// The C library's functions, as the host provides them; the same table
// layout as PF ANSI Suite 1 (sprintf at entry 15, strcpy at 16).
struct PF_ANSICallbacks {
    PF_FpLong (*atan)(PF_FpLong);
    PF_FpLong (*atan2)(PF_FpLong y, PF_FpLong x);
    PF_FpLong (*ceil)(PF_FpLong);
    PF_FpLong (*cos)(PF_FpLong);
    PF_FpLong (*exp)(PF_FpLong);
    PF_FpLong (*fabs)(PF_FpLong);
    PF_FpLong (*floor)(PF_FpLong);
    PF_FpLong (*fmod)(PF_FpLong x, PF_FpLong y);
    PF_FpLong (*hypot)(PF_FpLong x, PF_FpLong y);
    PF_FpLong (*log)(PF_FpLong);
    PF_FpLong (*log10)(PF_FpLong);
    PF_FpLong (*pow)(PF_FpLong x, PF_FpLong y);
    PF_FpLong (*sin)(PF_FpLong);
    PF_FpLong (*sqrt)(PF_FpLong);
    PF_FpLong (*tan)(PF_FpLong);
    // Unbounded: the destination must hold the whole text.
    int (*sprintf)(A_char* dst, const A_char* format, ...);
    A_char* (*strcpy)(A_char* dst, const A_char* src);
    PF_FpLong (*asin)(PF_FpLong);
    PF_FpLong (*acos)(PF_FpLong);
};
// The table's entry numbers are the host's: sprintf 15, strcpy 16.
static_assert(offsetof(PF_ANSICallbacks, sprintf) == 15 * sizeof(void (*)()));
static_assert(offsetof(PF_ANSICallbacks, strcpy) == 16 * sizeof(void (*)()));

struct PF_UtilCallbacks {
    PF_ANSICallbacks ansi;
};
