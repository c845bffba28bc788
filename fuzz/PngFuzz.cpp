// Arbitrary bytes as an --input PNG, read into 8- and 16-bit worlds: a
// world of the declared size with every pixel in range, or a HostError.
// Pictures declaring more than 4 Mpixels are left to the size check that
// refuses them before reading.
#include <cstdint>

#include "FuzzSupport.h"
#include "Module.h"
#include "Png.h"

namespace {

// IHDR's width and height, big-endian, at bytes 16 to 23 of a PNG.
uint64_t declared_pixels(const uint8_t* data, size_t size)
{
    if (size < 24)
        return 0;
    const auto be32 = [&](size_t at) {
        return uint64_t(data[at]) << 24 | uint64_t(data[at + 1]) << 16 | uint64_t(data[at + 2]) << 8 | data[at + 3];
    };
    return be32(16) * be32(20);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (declared_pixels(data, size) > (uint64_t(1) << 22))
        return 0;
    static FuzzFile file;
    const std::string& path = file.write(data, size);
    for (const bool deep : {false, true}) {
        try {
            const standin::World world = standin::read_png(path, deep);
            const PF_LayerDef& def = world.def();
            fuzz_check(def.width > 0 && def.height > 0 && uint64_t(def.width) * def.height <= (uint64_t(1) << 22),
                       "png", "a world of a size the file cannot declare");
            if (!deep)
                continue;
            for (A_long y = 0; y < def.height; ++y) {
                const auto* row =
                    reinterpret_cast<const PF_Pixel16*>(static_cast<const char*>(def.data) + y * def.rowbytes);
                for (A_long x = 0; x < def.width; ++x)
                    fuzz_check(row[x].alpha <= 32768 && row[x].red <= 32768 && row[x].green <= 32768 &&
                                   row[x].blue <= 32768,
                               "png", "a 16-bit value above 32768");
            }
        } catch (const standin::HostError&) {
        }
    }
    return 0;
}
