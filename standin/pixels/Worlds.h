// "PF World Suite" 2: the worlds that the effect makes and disposes of.
#pragma once

#include <map>
#include <memory>

#include "World.h"

namespace standin {

class Worlds {
public:
    // New world (entry 0): ARGB32 gives 8-bit, ARGB64 16-bit; pixels are
    // zero with clear_pix, else garbage (0xCD bytes: alpha 205, 16-bit
    // channels 52685, out of range) so reads of unset pixels show up.
    // Throws std::invalid_argument on a bad size or format.
    void create(A_long width, A_long height, bool clear_pix, PF_PixelFormat format, PF_EffectWorld& out);
    // Dispose (entry 1): throws std::logic_error when `world` is not live;
    // clears the record's data pointer.
    void dispose(PF_EffectWorld& world);
    bool live(const PF_EffectWorld& world) const;

    // Worlds made through the suite and not yet disposed of.
    int live_count() const { return int(live_.size()); }

    static const void* suite_table();

private:
    std::map<const void*, std::unique_ptr<World>> live_; // keyed by pixel address
};

} // namespace standin
