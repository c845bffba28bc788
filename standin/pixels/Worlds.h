// "PF World Suite" 2: the worlds that the effect makes and disposes of.
#pragma once

#include <map>
#include <memory>
#include <vector>

#include "PixelThreads.h"
#include "World.h"

namespace standin {

class Worlds {
public:
    Worlds() = default;
    ~Worlds();
    Worlds(const Worlds&) = delete;
    Worlds& operator=(const Worlds&) = delete;

    // New world (entry 0): ARGB32 gives 8-bit, ARGB64 16-bit; pixels are
    // zero with clear_pix, else garbage (0xCD bytes: alpha 205, 16-bit
    // channels 52685, out of range) so reads of unset pixels show up,
    // written by `threads` pixel threads. A world of this size and depth
    // that was disposed of is handed out again, as a host's frame cache
    // does, refilled all the same (its 0xCD refill, posted at dispose, is
    // waited for here). Throws std::invalid_argument on a bad size or format.
    void create(A_long width, A_long height, bool clear_pix, PF_PixelFormat format, PF_EffectWorld& out,
                int threads = 1);
    // Dispose (entry 1): throws std::logic_error when `world` is not live;
    // clears the record's data pointer. The pixels stay with the host, which
    // refills them with 0xCD on `threads` pixel threads in the background.
    // Throws std::bad_alloc, the world still live, when it cannot be kept.
    void dispose(PF_EffectWorld& world, int threads = 1);
    // Lets a live world go at once, kept by no one; any other is left alone.
    void release(PF_EffectWorld& world) noexcept;
    bool live(const PF_EffectWorld& world) const;
    // A world handed out as success without pixels, as a faulty host does:
    // still the effect's to dispose of.
    void create_empty(PF_EffectWorld& out);

    // Worlds made through the suite and not yet disposed of.
    int live_count() const { return int(live_.size()) + empty_; }
    // Disposed worlds the host keeps for reuse: never more than kSpares, nor
    // more bytes than the budget or the latest one disposed of, whichever is
    // larger (its pixels, padding included).
    int spare_count() const { return int(spares_.size()); }
    std::size_t spare_bytes() const;
    static constexpr int kSpares = 2;
    static constexpr std::size_t kSpareBudget = std::size_t(256) << 20;
    void set_spare_budget(std::size_t bytes) { spare_budget_ = bytes; }

    static const void* suite_table();

private:
    // A spare's refill is waited for or cancelled before its world goes.
    struct Spare {
        std::unique_ptr<World> world;
        std::unique_ptr<PostedBands> refill;
    };
    std::map<const void*, std::unique_ptr<World>> live_; // keyed by pixel address
    std::vector<Spare> spares_;                           // the latest disposed of last
    int empty_ = 0;                                       // handed out without pixels
    std::size_t spare_budget_ = kSpareBudget;
};

} // namespace standin
