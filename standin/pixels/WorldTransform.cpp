// "PF World Transform Suite" 1: copy, copy_hq and transfer_rect.
//
// transfer_rect composites with PF_Xfer_IN_FRONT over straight alpha: the
// standard "over" of a straight-alpha source onto a straight-alpha
// destination, in integers at the world's depth (M = 255 for 8-bit worlds,
// 32768 for 16-bit), rounding half up, with opacity o (opacity, or
// opacity16 for 16-bit worlds):
//   a  = round(sa * o / M)                     the source's effective alpha
//   ws = a * M,  wd = da * (M - a)             the two weights, times M
//   ra = round((ws + wd) / M)                  the result's alpha
//   rc = round((sc * ws + dc * wd) / (ws + wd)) each colour channel
// A pixel whose effective alpha is 0 leaves the destination as it was (so a
// transparent destination keeps its colour); a = M gives the source pixel.
// With rgb_only the destination keeps its alpha.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>

#include "CallGuard.h"
#include "PF_Suites.h"
#include "PixelThreads.h"
#include "Suites.h"
#include "World.h"

namespace standin {
namespace {

void expect_world(const PF_EffectWorld* w, const char* what)
{
    if (!w || !w->data || w->width < 1 || w->height < 1)
        throw std::invalid_argument(std::string("no ") + what + " world");
}

std::string rect_text(const PF_Rect* r)
{
    if (!r)
        return "whole";
    return std::to_string(r->left) + "," + std::to_string(r->top) + "," + std::to_string(r->right) + "," +
           std::to_string(r->bottom);
}

PF_Rect whole(const PF_EffectWorld& w) { return {0, 0, w.width, w.height}; }

bool inside(const PF_Rect& r, const PF_EffectWorld& w)
{
    return r.left >= 0 && r.top >= 0 && r.left < r.right && r.top < r.bottom && r.right <= w.width &&
           r.bottom <= w.height;
}

std::size_t pixel_size(const PF_EffectWorld& w) { return is_deep(w) ? sizeof(PF_Pixel16) : sizeof(PF_Pixel); }

unsigned char* row_at(const PF_EffectWorld& w, A_long x, A_long y)
{
    return static_cast<unsigned char*>(w.data) + std::ptrdiff_t(y) * w.rowbytes + std::size_t(x) * pixel_size(w);
}

// Both qualities copy exactly: the rectangles must be of one size.
PF_Err copy_world(const char* name, PF_EffectWorld* src, PF_EffectWorld* dst, PF_Rect* src_r, PF_Rect* dst_r)
{
    return guarded(name, [&] { return rect_text(src_r) + " -> " + rect_text(dst_r); }, [&](bool) {
        expect_world(src, "source");
        expect_world(dst, "destination");
        if (is_deep(*src) != is_deep(*dst))
            throw std::invalid_argument("copy between worlds of different depths");
        const PF_Rect s = src_r ? *src_r : whole(*src);
        const PF_Rect d = dst_r ? *dst_r : whole(*dst);
        if (!inside(s, *src) || !inside(d, *dst))
            throw std::invalid_argument("copy rectangle outside its world");
        if (s.right - s.left != d.right - d.left || s.bottom - s.top != d.bottom - d.top)
            throw std::invalid_argument("copy between rectangles of different sizes is not offered");
        const std::size_t bytes = std::size_t(s.right - s.left) * pixel_size(*src);
        auto copy_rows = [&](int first, int end) {
            for (A_long y = first; y < end; ++y)
                std::memmove(row_at(*dst, d.left, d.top + y), row_at(*src, s.left, s.top + y), bytes);
        };
        // Within one world the rectangles may overlap: then row by row, in order.
        if (src->data == dst->data)
            copy_rows(0, s.bottom - s.top);
        else
            for_row_bands(s.bottom - s.top, Host::current().threads(), copy_rows);
        return PF_Err_NONE;
    });
}

PF_Err copy(PF_ProgPtr, PF_EffectWorld* src, PF_EffectWorld* dst, PF_Rect* src_r, PF_Rect* dst_r)
{
    return copy_world("PF World Transform Suite v1.copy", src, dst, src_r, dst_r);
}

PF_Err copy_hq(PF_ProgPtr, PF_EffectWorld* src, PF_EffectWorld* dst, PF_Rect* src_r, PF_Rect* dst_r)
{
    return copy_world("PF World Transform Suite v1.copy_hq", src, dst, src_r, dst_r);
}

// round(n / d) for n >= 0, d > 0, halves up.
inline uint64_t div_round(uint64_t n, uint64_t d) { return (2 * n + d) / (2 * d); }

template <typename Pixel, uint32_t M>
inline void over(const Pixel& s, Pixel& d, uint32_t opacity, bool rgb_only)
{
    const uint32_t a = opacity == M ? s.alpha : uint32_t(div_round(uint64_t(s.alpha) * opacity, M));
    if (a == 0)
        return;
    if (a == M) {
        d = {rgb_only ? d.alpha : decltype(d.alpha)(M), s.red, s.green, s.blue};
        return;
    }
    const uint64_t ws = uint64_t(a) * M;
    const uint64_t wd = uint64_t(d.alpha) * (M - a);
    const uint64_t total = ws + wd;
    d.red = decltype(d.red)(div_round(s.red * ws + d.red * wd, total));
    d.green = decltype(d.green)(div_round(s.green * ws + d.green * wd, total));
    d.blue = decltype(d.blue)(div_round(s.blue * ws + d.blue * wd, total));
    if (!rgb_only)
        d.alpha = decltype(d.alpha)(div_round(total, M));
}

template <typename Pixel, uint32_t M>
void transfer_rows(const PF_EffectWorld& src, const PF_Rect& s, PF_EffectWorld& dst, A_long dx, A_long dy,
                   uint32_t opacity, bool rgb_only, int threads)
{
    const A_long width = s.right - s.left;
    for_row_bands(s.bottom - s.top, threads, [&](int first, int end) {
        for (int y = first; y < end; ++y) {
            const Pixel* in = reinterpret_cast<const Pixel*>(row_at(src, s.left, s.top + y));
            Pixel* out = reinterpret_cast<Pixel*>(row_at(dst, dx, dy + y));
            for (A_long x = 0; x < width; ++x)
                if (in[x].alpha)
                    over<Pixel, M>(in[x], out[x], opacity, rgb_only);
        }
    });
}

PF_Err transfer_rect(PF_ProgPtr, PF_Quality quality, PF_ModeFlags m_flags, PF_Field field, const PF_Rect* src_rect,
                     const PF_EffectWorld* src_world, const PF_CompositeMode* mode, const PF_MaskWorld* mask,
                     A_long dest_x, A_long dest_y, PF_EffectWorld* dst_world)
{
    const auto args = [&] {
        return "quality=" + std::to_string(quality) + " flags=" + std::to_string(m_flags) + " field=" +
               std::to_string(field) + " rect=" + rect_text(src_rect) + " at " + std::to_string(dest_x) + "," +
               std::to_string(dest_y) +
               (mode ? " xfer=" + std::to_string(mode->xfer) + " opacity=" + std::to_string(mode->opacity) + "/" +
                           std::to_string(mode->opacity16)
                     : "");
    };
    return guarded("PF World Transform Suite v1.transfer_rect", args, [&](bool) {
        expect_world(src_world, "source");
        expect_world(dst_world, "destination");
        if (!mode)
            throw std::invalid_argument("null composite mode");
        if (mode->xfer != PF_Xfer_IN_FRONT || m_flags != PF_MF_Alpha_STRAIGHT || mask || field != PF_Field_FRAME)
            throw std::invalid_argument("only in-front transfers of straight alpha over whole frames, without "
                                        "a mask, are offered");
        const bool deep = is_deep(*src_world);
        if (deep != is_deep(*dst_world))
            throw std::invalid_argument("transfer between worlds of different depths");
        PF_Rect s = src_rect ? *src_rect : whole(*src_world);
        if (!inside(s, *src_world))
            throw std::invalid_argument("source rectangle outside the source world");
        // Clip to the destination: what falls outside it is not drawn.
        const A_long shift_x = std::max<A_long>(0, -dest_x), shift_y = std::max<A_long>(0, -dest_y);
        s.left += shift_x;
        s.top += shift_y;
        dest_x += shift_x;
        dest_y += shift_y;
        s.right = std::min<A_long>(s.right, s.left + (dst_world->width - dest_x));
        s.bottom = std::min<A_long>(s.bottom, s.top + (dst_world->height - dest_y));
        if (s.right <= s.left || s.bottom <= s.top)
            return PF_Err_NONE;
        const int threads = Host::current().threads();
        if (deep) {
            const uint32_t opacity = std::min<uint32_t>(mode->opacity16, PF_MAX_CHAN16);
            transfer_rows<PF_Pixel16, PF_MAX_CHAN16>(*src_world, s, *dst_world, dest_x, dest_y, opacity,
                                                     mode->rgb_only, threads);
        } else {
            transfer_rows<PF_Pixel, 255>(*src_world, s, *dst_world, dest_x, dest_y, mode->opacity, mode->rgb_only,
                                         threads);
        }
        return PF_Err_NONE;
    });
}

PF_WorldTransformSuite1 make_suite()
{
    PF_WorldTransformSuite1 suite{};
    suite.composite_rect = suite.blend = suite.convolve = suite.transform_world = unoffered_entry;
    suite.copy = copy;
    suite.copy_hq = copy_hq;
    suite.transfer_rect = transfer_rect;
    return suite;
}

const PF_WorldTransformSuite1 kTransformSuite = make_suite();

} // namespace

const void* world_transform_suite_table() { return &kTransformSuite; }

} // namespace standin
