// Where a cairo image surface's pixels are, for the pixel callbacks.
//
// Asking cairo for the buffer, stride, width and height costs four calls into
// the library for every pixel of the frame, which is most of a render. While a
// SurfacePublication lives, the geometry of its one surface is read from a
// shared slot instead; any other surface is asked of cairo as before. The
// values are the ones cairo returns, so the pixels do not change.
#pragma once

#include <atomic>
#include <cstdint>

#include <cairo.h>

struct SurfaceGeometry {
    const unsigned char* data = nullptr; // null: not an image surface, or in error
    int stride = 0;
    int width = 0;
    int height = 0;
};

namespace surface_geometry_detail {

// One slot under a sequence lock: the count is odd while a writer is inside,
// and a reader keeps what it read only when the count did not move meanwhile.
struct Slot {
    std::atomic<uint32_t> sequence{0};
    std::atomic<const void*> surface{nullptr};
    std::atomic<const unsigned char*> data{nullptr};
    std::atomic<int> stride{0}, width{0}, height{0};
};
extern Slot g_slot;

inline bool read_slot(const void* surface, SurfaceGeometry& g)
{
    const uint32_t before = g_slot.sequence.load(std::memory_order_acquire);
    if ((before & 1) || g_slot.surface.load(std::memory_order_relaxed) != surface)
        return false;
    g.data = g_slot.data.load(std::memory_order_relaxed);
    g.stride = g_slot.stride.load(std::memory_order_relaxed);
    g.width = g_slot.width.load(std::memory_order_relaxed);
    g.height = g_slot.height.load(std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_acquire);
    return g_slot.sequence.load(std::memory_order_relaxed) == before;
}

SurfaceGeometry ask_cairo(void* surface);

} // namespace surface_geometry_detail

// Any thread. The published geometry when `surface` is the published one,
// else cairo's answer.
inline SurfaceGeometry surface_geometry(void* surface)
{
    SurfaceGeometry g;
    if (surface_geometry_detail::read_slot(surface, g))
        return g;
    return surface_geometry_detail::ask_cairo(surface);
}

// Publishes one surface's geometry for its own lifetime (one thread; the
// surface must outlive it and not change meanwhile). A later publication
// replaces an earlier one, whose surface then goes back to asking cairo.
class SurfacePublication {
public:
    explicit SurfacePublication(cairo_surface_t* surface);
    ~SurfacePublication();
    SurfacePublication(const SurfacePublication&) = delete;
    SurfacePublication& operator=(const SurfacePublication&) = delete;

private:
    cairo_surface_t* surface_;
};
