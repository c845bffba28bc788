// The records that the host and the effect exchange on every command.
#pragma once

#include "PF_Callbacks.h"
#include "PF_Types.h"
#include "SPBasicSuite.h"

struct PF_RationalScale {
    A_long num;
    A_u_long den;
};

struct PF_Rect {
    A_long left, top, right, bottom;
};
typedef PF_Rect PF_UnionableRect;

struct A_FloatPoint {
    PF_FpLong x, y;
};

// 8-bit pixel: 0 to 255 a channel.
struct PF_Pixel {
    A_u_char alpha, red, green, blue;
};
typedef PF_Pixel PF_Pixel8;

// 16-bit pixel: 0 to 32768 a channel.
struct PF_Pixel16 {
    A_u_short alpha, red, green, blue;
};

struct PF_PixelFloat {
    PF_FpShort alpha, red, green, blue;
};

// A pixel world. Rows are rowbytes apart; pixels are PF_Pixel, or PF_Pixel16
// when world_flags has PF_WorldFlag_DEEP. As a layer parameter it also
// carries the parameter's default.
struct PF_LayerDef {
    A_long world_flags;
    void* data;
    A_long rowbytes;
    A_long width;
    A_long height;
    PF_UnionableRect extent_hint;
    PF_RationalScale pix_aspect_ratio;
    A_long origin_x, origin_y;
    void* platform_ref; // the host's own bookkeeping; never touched by the effect
    A_long dephault;
};
typedef PF_LayerDef PF_EffectWorld;
typedef PF_LayerDef PF_MaskWorld;

struct PF_SliderDef {
    A_long value;
    A_char value_str[32];
    A_char value_desc[32];
    A_long valid_min, valid_max;
    A_long slider_min, slider_max;
    A_long dephault;
};

struct PF_FloatSliderDef {
    PF_FpLong value;
    PF_FpLong phase;
    A_char value_desc[32];
    PF_FpShort valid_min, valid_max;
    PF_FpShort slider_min, slider_max;
    PF_FpShort dephault;
    A_short precision;
    A_short display_flags;
    A_u_long fs_flags;
    PF_FpShort curve_tolerance;
};

struct PF_ColorDef {
    PF_Pixel value;
    PF_Pixel dephault;
};

// Popup values count from 1; namesptr lists the choices separated by '|'.
struct PF_PopupDef {
    A_long value;
    A_short num_choices;
    A_short dephault;
    union {
        const A_char* namesptr;
    } u;
};

// Point values and defaults in 16.16; defaults are percent of the layer.
struct PF_PointDef {
    PF_Fixed x_value, y_value;
    A_char reserved[3];
    PF_Boolean restrict_bounds;
    PF_Fixed x_dephault, y_dephault;
};

struct PF_ButtonDef {
    A_long value;
    union {
        const A_char* namesptr;
    } u;
};

union PF_ParamDefUnion {
    PF_LayerDef ld;
    PF_SliderDef sd;
    PF_FloatSliderDef fs_d;
    PF_ColorDef cd;
    PF_PopupDef pd;
    PF_PointDef td;
    PF_ButtonDef button_d;
};

struct PF_ParamDef {
    union {
        A_long id;
        A_long change_flags;
    } uu;
    PF_ParamUIFlags ui_flags;
    A_short ui_width;
    A_short ui_height;
    PF_ParamType param_type;
    A_char name[32];
    PF_ParamFlags flags;
    A_long unused;
    PF_ParamDefUnion u;
};
typedef PF_ParamDef* PF_ParamDefPtr;
typedef PF_ParamDef** PF_ParamList;

// The host's input record: read-only to the effect.
struct PF_InData {
    PF_InteractCallbacks inter;
    PF_UtilCallbacks* utils;
    PF_ProgPtr effect_ref;
    PF_Quality quality;
    A_long version;
    A_u_long appl_id;
    A_long num_params;
    A_long current_time; // in units of time_scale
    A_long time_step;    // one frame's duration, in units of time_scale
    A_long total_time;
    A_u_long time_scale;
    A_long width, height;
    PF_UnionableRect extent_hint;
    PF_RationalScale downsample_x;
    PF_RationalScale downsample_y;
    PF_RationalScale pixel_aspect_ratio;
    PF_Handle global_data;
    PF_Handle sequence_data;
    PF_Handle frame_data;
    const SPBasicSuite* pica_basicP;
};

// The effect's answer record.
struct PF_OutData {
    A_u_long my_version;
    A_char name[32];
    PF_Handle global_data;
    A_long num_params;
    PF_Handle sequence_data;
    A_long flat_sdata_size;
    PF_Handle frame_data;
    A_long width, height;
    A_long origin_x, origin_y;
    PF_OutFlags out_flags;
    A_char return_msg[256]; // shown to the user when DISPLAY_ERROR_MESSAGE is set
    PF_OutFlags2 out_flags2;
};

struct PF_UserChangedParamExtra {
    PF_ParamIndex param_index;
};

// How transfer_rect lays the source over the destination.
struct PF_CompositeMode {
    PF_TransferMode xfer;
    A_long rand_seed;
    A_u_char opacity;
    PF_Boolean rgb_only;
    A_u_short opacity16;
};
