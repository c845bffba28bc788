// Pixel worlds that the host owns (the input layer, the output) and reads.
#pragma once

#include <cstddef>
#include <new>

#include "PF_Records.h"

namespace standin {

// No memory for a world's pixels: a std::bad_alloc, so that the host's
// calls answer it as out of memory, with the world's size in its text.
class WorldOutOfMemory : public std::bad_alloc {
public:
    WorldOutOfMemory(A_long width, A_long height);
    const char* what() const noexcept override { return text_; }

private:
    char text_[64];
};

// Move-only owner of a world's pixels. Rows are padded past width so that
// code which ignores rowbytes shows up. Fresh pixels are all zero.
class World {
public:
    World() = default;
    // deep: 16-bit channels (0..32768) and PF_WorldFlag_DEEP; every byte
    // starts as `fill`, written by `threads` pixel threads (PixelThreads.h).
    // Throws HostError for a size outside 1..32768, WorldOutOfMemory when
    // memory runs out.
    World(A_long width, A_long height, bool deep, unsigned char fill = 0, int threads = 1);
    ~World();
    World(World&& other) noexcept;
    World& operator=(World&& other) noexcept;
    World(const World&) = delete;
    World& operator=(const World&) = delete;

    // The record handed to the effect; data stays owned by this World.
    PF_LayerDef& def() { return def_; }
    const PF_LayerDef& def() const { return def_; }
    bool empty() const { return def_.data == nullptr; }
    bool deep() const { return (def_.world_flags & PF_WorldFlag_DEEP) != 0; }
    A_long width() const { return def_.width; }
    A_long height() const { return def_.height; }
    // The pixel area's size, padding included.
    std::size_t bytes() const { return bytes_; }
    // The same for a world not yet made.
    static std::size_t bytes_for(A_long width, A_long height, bool deep);

    // Fills every byte of the pixel area, padding included, on `threads`
    // pixel threads.
    void fill_bytes(unsigned char value, int threads = 1);
    // Fills rows [first, end), padding included; rows must be in range.
    void fill_rows(unsigned char value, int first, int end);

private:
    PF_LayerDef def_{};
    std::size_t bytes_ = 0;
};

bool is_deep(const PF_LayerDef& world);
// Pixel (x, y) of a world; no bounds check.
inline PF_Pixel* pixel8(const PF_LayerDef& w, A_long x, A_long y)
{
    return reinterpret_cast<PF_Pixel*>(static_cast<char*>(w.data) + std::ptrdiff_t(y) * w.rowbytes) + x;
}
inline PF_Pixel16* pixel16(const PF_LayerDef& w, A_long x, A_long y)
{
    return reinterpret_cast<PF_Pixel16*>(static_cast<char*>(w.data) + std::ptrdiff_t(y) * w.rowbytes) + x;
}

// The world scaled by num/den (nearest pixel), as the host hands a layer to
// an effect at reduced resolution. Throws HostError on an empty result.
World scaled(const PF_LayerDef& src, PF_RationalScale x, PF_RationalScale y);

} // namespace standin
