#include "SurfaceGeometry.h"

#include <mutex>

namespace surface_geometry_detail {

Slot g_slot;

SurfaceGeometry ask_cairo(void* refcon)
{
    cairo_surface_t* surface = static_cast<cairo_surface_t*>(refcon);
    return {cairo_image_surface_get_data(surface), cairo_image_surface_get_stride(surface),
            cairo_image_surface_get_width(surface), cairo_image_surface_get_height(surface)};
}

} // namespace surface_geometry_detail

using namespace surface_geometry_detail;

namespace {

std::mutex g_writers;

// Call with g_writers held.
void write_slot(const void* surface, const SurfaceGeometry& g)
{
    const uint32_t before = g_slot.sequence.load(std::memory_order_relaxed);
    g_slot.sequence.store(before + 1, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);
    g_slot.surface.store(surface, std::memory_order_relaxed);
    g_slot.data.store(g.data, std::memory_order_relaxed);
    g_slot.stride.store(g.stride, std::memory_order_relaxed);
    g_slot.width.store(g.width, std::memory_order_relaxed);
    g_slot.height.store(g.height, std::memory_order_relaxed);
    g_slot.sequence.store(before + 2, std::memory_order_release);
}

} // namespace

SurfacePublication::SurfacePublication(cairo_surface_t* surface) : surface_(surface)
{
    const SurfaceGeometry g = ask_cairo(surface);
    const std::lock_guard lock(g_writers);
    write_slot(surface, g);
}

SurfacePublication::~SurfacePublication()
{
    const std::lock_guard lock(g_writers);
    if (g_slot.surface.load(std::memory_order_relaxed) == surface_)
        write_slot(nullptr, {});
}
