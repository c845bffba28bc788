// The host's PF suites, as the effect uses them. Each table's entries stand
// at their host entry numbers (counted from 0); entries the effect never
// calls are kept as placeholders so the numbering holds.
#pragma once

#include <cstddef>

#include "PF_Records.h"

typedef void (*PF_UnusedEntry)(void);

#define kPFHandleSuite "PF Handle Suite"
#define kPFHandleSuiteVersion1 2
struct PF_HandleSuite1 {
    PF_Handle (*host_new_handle)(A_HandleSize size);      // 0: null on failure
    void* (*host_lock_handle)(PF_Handle handle);          // 1: the block, or null
    void (*host_unlock_handle)(PF_Handle handle);         // 2
    void (*host_dispose_handle)(PF_Handle handle);        // 3
    A_HandleSize (*host_get_handle_size)(PF_Handle handle); // 4
    PF_Err (*host_resize_handle)(A_HandleSize new_size, PF_Handle* handle); // 5
};
static_assert(offsetof(PF_HandleSuite1, host_get_handle_size) == 4 * sizeof(void (*)()));

#define kPFANSISuite "PF ANSI Suite"
#define kPFANSISuiteVersion1 1
typedef PF_ANSICallbacks PF_ANSICallbacksSuite1;

#define kPFPointParamSuite "PF PointParamSuite"
#define kPFPointParamSuiteVersion1 1
struct PF_PointParamSuite1 {
    // 0: the point's value in the coordinates of the world being rendered.
    PF_Err (*PF_GetFloatingPointValueFromPointDef)(PF_ProgPtr effect_ref, PF_ParamDef* def,
                                                   A_FloatPoint* fp_value);
};

#define kPFColorParamSuite "PF ColorParamSuite"
#define kPFColorParamSuiteVersion1 1
struct PF_ColorParamSuite1 {
    PF_Err (*PF_GetFloatingPointColorFromColorDef)(PF_ProgPtr effect_ref, PF_ParamDef* def,
                                                   PF_PixelFloat* fp_color); // 0
    PF_Err (*PF_GetFloatingPointValueFromColorDef)(PF_ProgPtr effect_ref, PF_ParamDef* def,
                                                   PF_PixelFloat* fp_color); // 1
};

#define kPFWorldSuite "PF World Suite"
#define kPFWorldSuiteVersion2 2
struct PF_WorldSuite2 {
    // 0: a world of the format; its pixels are zero only when clear_pix is set.
    PF_Err (*PF_NewWorld)(PF_ProgPtr effect_ref, A_long width, A_long height, PF_Boolean clear_pix,
                          PF_PixelFormat pixel_format, PF_EffectWorld* world);
    PF_Err (*PF_DisposeWorld)(PF_ProgPtr effect_ref, PF_EffectWorld* world); // 1
    PF_Err (*PF_GetPixelFormat)(const PF_EffectWorld* world, PF_PixelFormat* pixel_format); // 2
};

#define kPFWorldTransformSuite "PF World Transform Suite"
#define kPFWorldTransformSuiteVersion1 1
struct PF_WorldTransformSuite1 {
    PF_UnusedEntry composite_rect; // 0
    PF_UnusedEntry blend;          // 1
    PF_UnusedEntry convolve;       // 2
    // 3, 4: null rectangles mean the whole world.
    PF_Err (*copy)(PF_ProgPtr effect_ref, PF_EffectWorld* src, PF_EffectWorld* dst,
                   PF_Rect* src_r, PF_Rect* dst_r);
    PF_Err (*copy_hq)(PF_ProgPtr effect_ref, PF_EffectWorld* src, PF_EffectWorld* dst,
                      PF_Rect* src_r, PF_Rect* dst_r);
    // 5: composites src_rect of src_world over dst_world at (dest_x, dest_y).
    PF_Err (*transfer_rect)(PF_ProgPtr effect_ref, PF_Quality quality, PF_ModeFlags m_flags,
                            PF_Field field, const PF_Rect* src_rect,
                            const PF_EffectWorld* src_world, const PF_CompositeMode* comp_mode,
                            const PF_MaskWorld* mask_world0, A_long dest_x, A_long dest_y,
                            PF_EffectWorld* dst_world);
    PF_UnusedEntry transform_world; // 6
};
static_assert(offsetof(PF_WorldTransformSuite1, copy) == 3 * sizeof(void (*)()));
static_assert(offsetof(PF_WorldTransformSuite1, transfer_rect) == 5 * sizeof(void (*)()));

// Per-pixel callbacks: called once for each pixel of the destination, from
// any of the host's threads; x and y are the destination's coordinates.
typedef PF_Err (*PF_IteratePixel8Func)(void* refcon, A_long x, A_long y, PF_Pixel* in,
                                       PF_Pixel* out);
typedef PF_Err (*PF_IteratePixel16Func)(void* refcon, A_long x, A_long y, PF_Pixel16* in,
                                        PF_Pixel16* out);

#define kPFIterate8Suite "PF Iterate8 Suite"
#define kPFIterate8SuiteVersion1 1
struct PF_Iterate8Suite1 {
    // 0: area null means the whole destination.
    PF_Err (*iterate)(PF_InData* in_data, A_long progress_base, A_long progress_final,
                      PF_EffectWorld* src, const PF_Rect* area, void* refcon,
                      PF_IteratePixel8Func pix_fn, PF_EffectWorld* dst);
};

#define kPFIterate16Suite "PF iterate16 Suite"
#define kPFIterate16SuiteVersion1 1
struct PF_iterate16Suite1 {
    PF_Err (*iterate)(PF_InData* in_data, A_long progress_base, A_long progress_final,
                      PF_EffectWorld* src, const PF_Rect* area, void* refcon,
                      PF_IteratePixel16Func pix_fn, PF_EffectWorld* dst);
};
