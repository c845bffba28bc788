#include "Worlds.h"

#include <algorithm>
#include <iterator>
#include <stdexcept>
#include <string>

#include "CallGuard.h"
#include "PF_Suites.h"

namespace standin {

namespace {

// Unset pixels: alpha 205, 16-bit channels 52685, out of range.
constexpr unsigned char kRefill = 0xCD;

} // namespace

void Worlds::create(A_long width, A_long height, bool clear_pix, PF_PixelFormat format, PF_EffectWorld& out,
                    int threads)
{
    if (format != PF_PixelFormat_ARGB32 && format != PF_PixelFormat_ARGB64)
        throw std::invalid_argument("pixel format " + std::to_string(format) + " is not offered");
    if (width < 1 || height < 1 || width > 32768 || height > 32768)
        throw std::invalid_argument("world size " + std::to_string(width) + "x" + std::to_string(height));
    const bool deep = format == PF_PixelFormat_ARGB64;
    const unsigned char fill = clear_pix ? 0x00 : kRefill;
    std::unique_ptr<World> world;
    const auto spare = std::find_if(spares_.rbegin(), spares_.rend(), [&](const Spare& s) {
        return s.world->width() == width && s.world->height() == height && s.world->deep() == deep;
    });
    if (spare != spares_.rend()) {
        spare->refill->wait();
        world = std::move(spare->world);
        spares_.erase(std::next(spare).base());
        if (fill != kRefill)
            world->fill_bytes(fill, threads);
    } else {
        world = std::make_unique<World>(width, height, deep, fill, threads);
    }
    const auto kept = live_.emplace(world->def().data, std::move(world)).first;
    out = kept->second->def();
    // The effect's copy of the record is what it hands back: the host's
    // bookkeeping is the pixel address.
    out.platform_ref = nullptr;
}

Worlds::~Worlds()
{
    for (Spare& spare : spares_)
        spare.refill->cancel();
}

bool Worlds::live(const PF_EffectWorld& world) const { return live_.count(world.data) != 0; }

void Worlds::create_empty(PF_EffectWorld& out)
{
    out = {};
    ++empty_;
}

void Worlds::dispose(PF_EffectWorld& world, int threads)
{
    if (!world.data && empty_ > 0) {
        --empty_;
        return;
    }
    auto it = live_.find(world.data);
    if (it == live_.end())
        throw std::logic_error("dispose of a world that is not live: " + hex(world.data));
    // What may fail comes first: the world leaves live_ only once kept.
    spares_.reserve(spares_.size() + 1);
    // The refill overlaps with what the effect does before its next world.
    World& pixels = *it->second;
    auto refill = std::make_unique<PostedBands>(pixels.height(), threads, [&pixels](int first, int end) {
        pixels.fill_rows(kRefill, first, end);
    });
    spares_.push_back({std::move(it->second), std::move(refill)});
    live_.erase(it);
    world.data = nullptr;
    const std::size_t budget = std::max(spare_budget_, pixels.bytes());
    while (spares_.size() > std::size_t(kSpares) || spare_bytes() > budget) {
        spares_.front().refill->cancel();
        spares_.erase(spares_.begin());
    }
}

void Worlds::release(PF_EffectWorld& world) noexcept
{
    if (!world.data && empty_ > 0)
        --empty_;
    else if (live_.erase(world.data))
        world.data = nullptr;
}

std::size_t Worlds::spare_bytes() const
{
    std::size_t bytes = 0;
    for (const Spare& spare : spares_)
        bytes += spare.world->bytes();
    return bytes;
}

namespace {

Worlds& worlds() { return Host::current().worlds(); }

PF_Err new_world(PF_ProgPtr, A_long width, A_long height, PF_Boolean clear_pix, PF_PixelFormat format,
                 PF_EffectWorld* world)
{
    const auto args = [&] {
        return std::to_string(width) + "x" + std::to_string(height) + " clear=" + std::to_string(int(clear_pix)) +
               " format=" + std::to_string(format);
    };
    return guarded("PF World Suite v2.new_world", args, [&](bool give_null) {
        if (!world)
            throw std::invalid_argument("null world");
        if (format == PF_PixelFormat_ARGB64)
            Host::current().declarations().require(PF_OutFlag_DEEP_COLOR_AWARE, "PF_OutFlag_DEEP_COLOR_AWARE",
                                                   "a 16-bit world");
        if (give_null) {
            worlds().create_empty(*world);
            return PF_Err_NONE;
        }
        worlds().create(width, height, clear_pix != 0, format, *world, Host::current().threads());
        return PF_Err_NONE;
    });
}

PF_Err dispose_world(PF_ProgPtr, PF_EffectWorld* world)
{
    bool released = false;
    const auto args = [&] { return hex(world ? world->data : nullptr); };
    const PF_Err err = guarded("PF World Suite v2.dispose_world", args, [&](bool) {
        if (!world)
            throw std::invalid_argument("null world");
        worlds().dispose(*world, Host::current().threads());
        released = true;
        return PF_Err_NONE;
    });
    // A disposal that reports a failure still frees the world, as does one
    // that the host had no memory to keep; one refused on a pixel callback's
    // thread is not run at all.
    if (!released && world && !in_pixel_callback())
        if (Host* host = Host::current_or_null())
            host->worlds().release(*world);
    return err;
}

PF_Err get_pixel_format(const PF_EffectWorld* world, PF_PixelFormat* format)
{
    return guarded("PF World Suite v2.get_pixel_format", world, [&](bool) {
        if (!world || !format)
            throw std::invalid_argument("null world or format");
        *format = is_deep(*world) ? PF_PixelFormat_ARGB64 : PF_PixelFormat_ARGB32;
        return PF_Err_NONE;
    });
}

const PF_WorldSuite2 kWorldSuite = {new_world, dispose_world, get_pixel_format};

} // namespace

const void* Worlds::suite_table() { return &kWorldSuite; }

} // namespace standin
