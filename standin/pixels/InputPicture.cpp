#include "InputPicture.h"

#include "Module.h"
#include "Png.h"

namespace standin {

InputPicture::InputPicture(std::string source) : source_(std::move(source)), pattern_(source_) {}

bool InputPicture::is_sequence() const { return pattern_.numbered(); }

std::string InputPicture::path_for(long index) const { return pattern_.path(index); }

World InputPicture::frame(long index, A_long width, A_long height, bool deep) const
{
    if (source_.empty())
        return test_picture(width, height, deep);
    const std::string path = path_for(index);
    World world = read_png(path, deep);
    if ((width > 0 && world.width() != width) || (height > 0 && world.height() != height))
        throw HostError("picture '" + path + "' is " + std::to_string(world.width()) + "x" +
                        std::to_string(world.height()) + ", not " + std::to_string(width) + "x" +
                        std::to_string(height));
    return world;
}

World InputPicture::test_picture(A_long width, A_long height, bool deep)
{
    // Seven bars (white, yellow, cyan, green, magenta, red, blue) over the
    // top two thirds, a black-to-white ramp below.
    static const unsigned char kBars[7][3] = {{191, 191, 191}, {191, 191, 0}, {0, 191, 191}, {0, 191, 0},
                                              {191, 0, 191},   {191, 0, 0},   {0, 0, 191}};
    World world(width, height, deep);
    const A_long bars_end = height * 2 / 3;
    for (A_long y = 0; y < height; ++y) {
        for (A_long x = 0; x < width; ++x) {
            unsigned rgb[3];
            if (y < bars_end) {
                const unsigned char* bar = kBars[std::size_t(x) * 7 / std::size_t(width)];
                rgb[0] = bar[0], rgb[1] = bar[1], rgb[2] = bar[2];
            } else {
                rgb[0] = rgb[1] = rgb[2] = width > 1 ? unsigned(x * 255LL / (width - 1)) : 0u;
            }
            if (deep) {
                auto wide = [](unsigned v) { return A_u_short((v * 32768u * 2 + 255u) / 510u); };
                *pixel16(world.def(), x, y) = {PF_MAX_CHAN16, wide(rgb[0]), wide(rgb[1]), wide(rgb[2])};
            } else {
                *pixel8(world.def(), x, y) = {255, A_u_char(rgb[0]), A_u_char(rgb[1]), A_u_char(rgb[2])};
            }
        }
    }
    return world;
}

} // namespace standin
