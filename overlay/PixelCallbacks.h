// Per-pixel conversion of the render's cairo surface (ARGB32, premultiplied)
// into a host world in straight alpha. refcon is the cairo_surface_t, read
// only; the callbacks keep no state and may run on any thread at once.
#pragma once

#include "PF_Records.h"

PF_Err MySimpleTextFunc8(void* refcon, A_long x, A_long y, PF_Pixel* in, PF_Pixel* out);
PF_Err MySimpleTextFunc16(void* refcon, A_long x, A_long y, PF_Pixel16* in, PF_Pixel16* out);

// The arithmetic of the callbacks, for callers that check it value by value.
// c <= a; c stays as it is when a is 0 or 255.
A_u_char unpremultiply8(A_u_char c, A_u_char a);
// 0..255 to 0..32768: v * 128.5 rounded half up, 255 to 32768.
A_u_short widen8to16(A_u_char v);
