#include "PixelCallbacks.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "SurfaceGeometry.h"

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

// The pixel at (x, y) of a surface of geometry g as cairo's native 32-bit
// word (alpha in the top byte); false when (x, y) lies outside the surface.
inline bool word_at(const SurfaceGeometry& g, A_long x, A_long y, uint32_t& word)
{
    if (!g.data || x < 0 || y < 0 || x >= g.width || y >= g.height)
        return false;
    std::memcpy(&word, g.data + static_cast<std::ptrdiff_t>(y) * g.stride + static_cast<std::ptrdiff_t>(x) * 4,
                sizeof word);
    return true;
}

// Out of line, so that the usual case below needs no call.
[[gnu::noinline]] bool surface_word_elsewhere(void* refcon, A_long x, A_long y, uint32_t& word)
{
    return word_at(surface_geometry(refcon), x, y, word);
}

inline bool surface_word(void* refcon, A_long x, A_long y, uint32_t& word)
{
    SurfaceGeometry g;
    if (!published_near_home(refcon, g))
        return surface_word_elsewhere(refcon, x, y, word);
    return word_at(g, x, y, word);
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
    uint32_t word = 0; // outside the surface: transparent
    if (!surface_word(refcon, x, y, word)) {
        *out = PF_Pixel{};
        return PF_Err_NONE;
    }
    const A_u_char a = A_u_char(word >> 24);
    if (a == 0 || a == 255) {
        // Kept as read: the word's bytes reversed are alpha, red, green, blue.
        word = __builtin_bswap32(word);
        std::memcpy(out, &word, sizeof word);
        return PF_Err_NONE;
    }
    out->alpha = a;
    out->blue = unpremultiply8(A_u_char(word), a);
    out->green = unpremultiply8(A_u_char(word >> 8), a);
    out->red = unpremultiply8(A_u_char(word >> 16), a);
    return PF_Err_NONE;
}

PF_Err MySimpleTextFunc16(void* refcon, A_long x, A_long y, PF_Pixel16* /*in*/, PF_Pixel16* out)
{
    if (!refcon)
        return PF_Err_NONE;
    uint32_t word = 0;
    if (!surface_word(refcon, x, y, word)) {
        *out = PF_Pixel16{};
        return PF_Err_NONE;
    }
    const A_u_char a = A_u_char(word >> 24);
    const A_u_char b = unpremultiply8(A_u_char(word), a);
    const A_u_char g = unpremultiply8(A_u_char(word >> 8), a);
    const A_u_char r = unpremultiply8(A_u_char(word >> 16), a);
    *out = PF_Pixel16{widen8to16(a), widen8to16(r), widen8to16(g), widen8to16(b)};
    return PF_Err_NONE;
}
