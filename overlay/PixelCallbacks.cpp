#include "PixelCallbacks.h"

#include <array>
#include <cstddef>

#include <cairo.h>

namespace {

// The 8 to 16-bit widening as single-precision arithmetic, one addition in
// double and a truncation; tabulated once since it depends only on v.
constexpr A_u_short widen_exact(unsigned v)
{
    if (v == 255)
        return PF_MAX_CHAN16;
    const float f = static_cast<float>(v);
    const float scaled = f * 128.0f + f / 2.0f;
    return static_cast<A_u_short>(static_cast<int>(static_cast<double>(scaled) + 0.5));
}

constexpr std::array<A_u_short, 256> make_widen_table()
{
    std::array<A_u_short, 256> table{};
    for (unsigned v = 0; v < 256; ++v)
        table[v] = widen_exact(v);
    return table;
}

constexpr std::array<A_u_short, 256> kWiden = make_widen_table();

// The surface's 4 bytes (blue, green, red, alpha) at (x, y), or null when
// (x, y) lies outside it. Asks cairo afresh on every call.
const unsigned char* surface_pixel(void* refcon, A_long x, A_long y)
{
    cairo_surface_t* surface = static_cast<cairo_surface_t*>(refcon);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    if (!data || x < 0 || y < 0 || x >= cairo_image_surface_get_width(surface) ||
        y >= cairo_image_surface_get_height(surface))
        return nullptr;
    return data + static_cast<std::ptrdiff_t>(y) * stride + static_cast<std::ptrdiff_t>(x) * 4;
}

} // namespace

A_u_char unpremultiply8(A_u_char c, A_u_char a)
{
    if (a == 0 || a == 255)
        return c;
    const int alpha = a;
    return static_cast<A_u_char>((c * 255 + alpha / 2) / alpha);
}

A_u_short widen8to16(A_u_char v) { return kWiden[v]; }

PF_Err MySimpleTextFunc8(void* refcon, A_long x, A_long y, PF_Pixel* /*in*/, PF_Pixel* out)
{
    if (!refcon)
        return PF_Err_NONE;
    const unsigned char* p = surface_pixel(refcon, x, y);
    if (!p) {
        *out = PF_Pixel{};
        return PF_Err_NONE;
    }
    out->alpha = p[3];
    out->red = p[2];
    out->green = p[1];
    out->blue = p[0];
    if (out->alpha > 0 && out->alpha < 255) {
        out->blue = unpremultiply8(out->blue, out->alpha);
        out->green = unpremultiply8(out->green, out->alpha);
        out->red = unpremultiply8(out->red, out->alpha);
    }
    return PF_Err_NONE;
}

PF_Err MySimpleTextFunc16(void* refcon, A_long x, A_long y, PF_Pixel16* /*in*/, PF_Pixel16* out)
{
    if (!refcon)
        return PF_Err_NONE;
    const unsigned char* p = surface_pixel(refcon, x, y);
    if (!p) {
        *out = PF_Pixel16{};
        return PF_Err_NONE;
    }
    const A_u_char a = p[3];
    const A_u_char b = unpremultiply8(p[0], a);
    const A_u_char g = unpremultiply8(p[1], a);
    const A_u_char r = unpremultiply8(p[2], a);
    out->alpha = widen8to16(a);
    out->red = widen8to16(r);
    out->green = widen8to16(g);
    out->blue = widen8to16(b);
    return PF_Err_NONE;
}
