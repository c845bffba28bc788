// "PF Iterate8 Suite" 1 and "PF iterate16 Suite" 1: the effect's pixel
// callback once for every pixel of the destination area, rows split in
// bands across the host's threads.
#include <algorithm>
#include <atomic>
#include <climits>
#include <mutex>
#include <stdexcept>
#include <string>

#include "CallGuard.h"
#include "PF_Suites.h"
#include "PixelThreads.h"
#include "Suites.h"
#include "World.h"

namespace standin {
namespace {

// The first callback error in raster order, whichever thread meets it.
class FirstError {
public:
    // Rows past the one holding the earliest error so far need not run.
    bool past(A_long y) const { return y > stop_row_.load(std::memory_order_relaxed); }
    void note(A_long y, A_long x, PF_Err err, bool thrown)
    {
        std::lock_guard lock(mutex_);
        if (y < y_ || (y == y_ && x < x_)) {
            y_ = y;
            x_ = x;
            err_ = err;
            thrown_ = thrown;
            stop_row_.store(y, std::memory_order_relaxed);
        }
    }
    PF_Err err() const { return err_; }
    bool thrown() const { return thrown_; }

private:
    std::atomic<A_long> stop_row_{INT32_MAX};
    std::mutex mutex_;
    A_long y_ = INT32_MAX, x_ = INT32_MAX;
    PF_Err err_ = PF_Err_NONE;
    bool thrown_ = false;
};

template <typename Pixel>
Pixel* row_of(const PF_EffectWorld& w, A_long y)
{
    return reinterpret_cast<Pixel*>(static_cast<char*>(w.data) + std::ptrdiff_t(y) * w.rowbytes);
}

template <typename Pixel, typename Func>
PF_Err iterate(const char* name, PF_InData* in_data, A_long progress_base, A_long progress_final,
               PF_EffectWorld* src, const PF_Rect* area, void* refcon, Func pix_fn, PF_EffectWorld* dst)
{
    constexpr bool kDeep = sizeof(Pixel) == sizeof(PF_Pixel16);
    const auto args = [&] {
        std::string text = "progress " + std::to_string(progress_base) + ".." + std::to_string(progress_final);
        if (area)
            text += " area " + std::to_string(area->left) + "," + std::to_string(area->top) + "," +
                    std::to_string(area->right) + "," + std::to_string(area->bottom);
        return text;
    };
    return guarded(name, args, [&](bool) -> PF_Err {
        if (!in_data || !pix_fn)
            throw std::invalid_argument("null input record or callback");
        if (!dst || !dst->data)
            throw std::invalid_argument("no destination world");
        if (is_deep(*dst) != kDeep || (src && src->data && is_deep(*src) != kDeep))
            throw std::invalid_argument("a world of the other depth");
        if (progress_base < 0 || progress_final < progress_base)
            throw std::invalid_argument("progress runs backwards");
        PF_Rect r = area ? *area : PF_Rect{0, 0, dst->width, dst->height};
        r.left = std::max<A_long>(r.left, 0);
        r.top = std::max<A_long>(r.top, 0);
        r.right = std::min(r.right, dst->width);
        r.bottom = std::min(r.bottom, dst->height);
        if (r.right <= r.left || r.bottom <= r.top)
            return PF_Err_NONE;
        const bool has_src = src && src->data;
        FirstError first;
        std::atomic<const char*> host_call{nullptr};
        for_row_bands(r.bottom - r.top, Host::current().threads(), [&](int band_first, int band_end) {
            const PixelCallbackBand band(host_call);
            A_long x = r.left, y = r.top + band_first;
            try {
                for (; y < r.top + band_end && !first.past(y); ++y) {
                    Pixel* out = row_of<Pixel>(*dst, y);
                    // Without a source pixel the callback sees the destination's.
                    Pixel* in = has_src && y < src->height ? row_of<Pixel>(*src, y) : out;
                    const A_long in_end = in == out ? r.right : std::min(r.right, src->width);
                    for (x = r.left; x < in_end; ++x)
                        if (const PF_Err err = pix_fn(refcon, x, y, in + x, out + x)) {
                            first.note(y, x, err, false);
                            return;
                        }
                    for (; x < r.right; ++x)
                        if (const PF_Err err = pix_fn(refcon, x, y, out + x, out + x)) {
                            first.note(y, x, err, false);
                            return;
                        }
                }
            } catch (...) {
                first.note(y, x, PF_Err_INTERNAL_STRUCT_DAMAGED, true);
            }
        });
        if (const char* call = host_call.load())
            throw std::logic_error(std::string("the pixel callback called the host: ") + call);
        if (first.thrown())
            throw std::runtime_error("the pixel callback threw an exception");
        return first.err();
    });
}

PF_Err iterate8(PF_InData* in_data, A_long progress_base, A_long progress_final, PF_EffectWorld* src,
                const PF_Rect* area, void* refcon, PF_IteratePixel8Func pix_fn, PF_EffectWorld* dst)
{
    return iterate<PF_Pixel>("PF Iterate8 Suite v1.iterate", in_data, progress_base, progress_final, src, area,
                             refcon, pix_fn, dst);
}

PF_Err iterate16(PF_InData* in_data, A_long progress_base, A_long progress_final, PF_EffectWorld* src,
                 const PF_Rect* area, void* refcon, PF_IteratePixel16Func pix_fn, PF_EffectWorld* dst)
{
    return iterate<PF_Pixel16>("PF iterate16 Suite v1.iterate", in_data, progress_base, progress_final, src, area,
                               refcon, pix_fn, dst);
}

const PF_Iterate8Suite1 kIterate8 = {iterate8};
const PF_iterate16Suite1 kIterate16 = {iterate16};

} // namespace

const void* iterate8_suite_table() { return &kIterate8; }
const void* iterate16_suite_table() { return &kIterate16; }

} // namespace standin
