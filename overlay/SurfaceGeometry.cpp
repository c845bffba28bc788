#include "SurfaceGeometry.h"

#include <mutex>

namespace surface_geometry_detail {
Slot g_slots[kSlots];
}

using namespace surface_geometry_detail;

namespace {

SurfaceGeometry ask_cairo(void* refcon)
{
    cairo_surface_t* surface = static_cast<cairo_surface_t*>(refcon);
    return {cairo_image_surface_get_data(surface), cairo_image_surface_get_stride(surface),
            cairo_image_surface_get_width(surface), cairo_image_surface_get_height(surface)};
}

// Publications take and give back slots one at a time; readers take no lock.
std::mutex g_writers;

// Call with g_writers held.
void write_slot(Slot& slot, const void* surface, const SurfaceGeometry& g)
{
    const uint32_t before = slot.sequence.load(std::memory_order_relaxed);
    slot.sequence.store(before + 1, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);
    slot.surface.store(surface, std::memory_order_relaxed);
    slot.data.store(g.data, std::memory_order_relaxed);
    slot.stride.store(g.stride, std::memory_order_relaxed);
    slot.width.store(g.width, std::memory_order_relaxed);
    slot.height.store(g.height, std::memory_order_relaxed);
    slot.sequence.store(before + 2, std::memory_order_release);
}

} // namespace

SurfaceGeometry surface_geometry(void* surface)
{
    const std::size_t home = home_slot(surface);
    SurfaceGeometry g;
    for (std::size_t i = 0; i < kSlots; ++i)
        if (read_slot(g_slots[(home + i) % kSlots], surface, g))
            return g;
    return ask_cairo(surface);
}

SurfacePublication::SurfacePublication(cairo_surface_t* surface)
{
    if (!surface) // a null surface marks a free slot
        return;
    const SurfaceGeometry g = ask_cairo(surface);
    const std::lock_guard lock(g_writers);
    const std::size_t home = home_slot(surface);
    for (std::size_t i = 0; i < kSlots && !slot_; ++i) {
        Slot& slot = g_slots[(home + i) % kSlots];
        if (!slot.surface.load(std::memory_order_relaxed)) {
            write_slot(slot, surface, g);
            slot_ = &slot;
        }
    }
}

SurfacePublication::~SurfacePublication()
{
    if (!slot_)
        return;
    const std::lock_guard lock(g_writers);
    write_slot(*slot_, nullptr, {});
}
