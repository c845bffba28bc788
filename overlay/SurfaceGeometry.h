// Where a cairo image surface's pixels are, for the pixel callbacks.
//
// Asking cairo for the buffer, stride, width and height costs four calls into
// the library for every pixel of the frame, which is most of a render. While a
// SurfacePublication lives, the geometry of its surface is read from one of a
// few shared slots instead, so that renders on several threads at once each
// have theirs; a surface without a slot is asked of cairo as before. The
// values are the ones cairo returns, so the pixels do not change.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include <cairo.h>

struct SurfaceGeometry {
    const unsigned char* data = nullptr; // null: not an image surface, or in error
    int stride = 0;
    int width = 0;
    int height = 0;
};

namespace surface_geometry_detail {

// A slot under a sequence lock: the count is odd while a writer is inside,
// and a reader keeps what it read only when the count did not move meanwhile.
// A cache line each, so that publishing in one slot leaves the others' readers
// alone.
struct alignas(64) Slot {
    std::atomic<uint32_t> sequence{0};
    std::atomic<const void*> surface{nullptr};
    std::atomic<const unsigned char*> data{nullptr};
    std::atomic<int> stride{0}, width{0}, height{0};
};

// More renders at once than slots: the surplus asks cairo.
constexpr std::size_t kSlots = 64;
extern Slot g_slots[kSlots];

// The slot a surface tries first; a publication takes the first free slot
// from there on, so a reader usually finds its surface at the first look.
// Every bit of the address counts (Fibonacci hashing): surfaces that two
// threads' heaps place at the same offsets still part.
inline std::size_t home_slot(const void* surface)
{
    static_assert(kSlots == 64);
    return std::size_t((reinterpret_cast<std::uintptr_t>(surface) * 0x9E3779B97F4A7C15ull) >> 58);
}

inline bool read_slot(const Slot& slot, const void* surface, SurfaceGeometry& g)
{
    const uint32_t before = slot.sequence.load(std::memory_order_acquire);
    if ((before & 1) || slot.surface.load(std::memory_order_relaxed) != surface)
        return false;
    g.data = slot.data.load(std::memory_order_relaxed);
    g.stride = slot.stride.load(std::memory_order_relaxed);
    g.width = slot.width.load(std::memory_order_relaxed);
    g.height = slot.height.load(std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_acquire);
    return slot.sequence.load(std::memory_order_relaxed) == before;
}

} // namespace surface_geometry_detail

// Any thread. The geometry published in `surface`'s home slot or the next:
// the usual case, kept small enough for a per-pixel call (a surface whose
// home another holds is usually next door); false when it is not there.
inline bool published_near_home(void* surface, SurfaceGeometry& g)
{
    using namespace surface_geometry_detail;
    const std::size_t home = home_slot(surface);
    return read_slot(g_slots[home], surface, g) || read_slot(g_slots[(home + 1) % kSlots], surface, g);
}

// Any thread. The published geometry when `surface` is published, else
// cairo's answer.
SurfaceGeometry surface_geometry(void* surface);

// Publishes one surface's geometry for its own lifetime (one thread; the
// surface must outlive it and not change meanwhile). Publications of other
// surfaces, on any thread, live side by side; when every slot is taken the
// surface is simply not published.
class SurfacePublication {
public:
    explicit SurfacePublication(cairo_surface_t* surface);
    ~SurfacePublication();
    SurfacePublication(const SurfacePublication&) = delete;
    SurfacePublication& operator=(const SurfacePublication&) = delete;

    // Whether the surface got a slot.
    bool published() const { return slot_ != nullptr; }

private:
    surface_geometry_detail::Slot* slot_ = nullptr;
};
