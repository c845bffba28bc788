#include "RenderFixture.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cairo.h>
#include <cstring>
#include <filesystem>

#include "overlay/Params.h"
#include "LibraryCaches.h"
#include "Png.h"

namespace {

// The drawing's pixel in straight alpha: cairo's ARGB32 word holds blue,
// green, red and alpha in memory order, colours premultiplied. A colour is
// divided back by alpha, rounded to nearest with the half rounded down, for
// alphas strictly between 0 and 255.
int straight(int colour, int alpha)
{
    return alpha > 0 && alpha < 255 ? (colour * 255 + alpha / 2) / alpha : colour;
}

// An 8-bit value at 16 bits (0 to 32768): v x 128.5, the half rounded up.
A_u_short deep_channel(int v)
{
    return A_u_short((v * 257 + 1) / 2);
}

// The host's in-front transfer of a straight-alpha pixel at full opacity,
// max being the depth's full channel value: both pixels weighted by their
// share of the result's coverage, every quotient rounded half up.
template <typename Pixel>
void in_front(const Pixel& src, Pixel& dst, uint64_t max)
{
    if (src.alpha == 0)
        return;
    const uint64_t src_weight = uint64_t(src.alpha) * max;
    const uint64_t dst_weight = uint64_t(dst.alpha) * (max - src.alpha);
    const uint64_t total = src_weight + dst_weight;
    auto mix = [&](uint64_t s, uint64_t d) { return (2 * (s * src_weight + d * dst_weight) + total) / (2 * total); };
    using Channel = decltype(dst.alpha);
    dst = {Channel((2 * total + max) / (2 * max)), Channel(mix(src.red, dst.red)), Channel(mix(src.green, dst.green)),
           Channel(mix(src.blue, dst.blue))};
}

} // namespace

standin::World reference_layer(const TextSpec& spec, A_long width, A_long height, bool deep)
{
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    cairo_t* cr = cairo_create(surface);
    cairo_scale(cr, spec.sx, spec.sy);
    cairo_set_source_rgba(cr, spec.red, spec.green, spec.blue, spec.alpha);
    cairo_select_font_face(cr, spec.family.c_str(), CAIRO_FONT_SLANT_NORMAL,
                           spec.bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, spec.size);
    cairo_move_to(cr, spec.x / spec.sx, spec.y / spec.sy);
    cairo_show_text(cr, spec.text.c_str());
    cairo_destroy(cr);
    cairo_surface_flush(surface);

    const unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    standin::World layer(width, height, deep);
    for (A_long y = 0; y < height; ++y)
        for (A_long x = 0; x < width; ++x) {
            const unsigned char* p = data + std::ptrdiff_t(y) * stride + x * 4;
            const int alpha = p[3], red = straight(p[2], alpha), green = straight(p[1], alpha),
                      blue = straight(p[0], alpha);
            if (deep)
                *standin::pixel16(layer.def(), x, y) = {deep_channel(alpha), deep_channel(red), deep_channel(green),
                                                        deep_channel(blue)};
            else
                *standin::pixel8(layer.def(), x, y) = {A_u_char(alpha), A_u_char(red), A_u_char(green),
                                                       A_u_char(blue)};
        }
    cairo_surface_destroy(surface);
    return layer;
}

standin::World reference_frame(const TextSpec& spec, const standin::World& input)
{
    const bool deep = input.deep();
    const standin::World layer = reference_layer(spec, input.width(), input.height(), deep);
    standin::World frame(input.width(), input.height(), deep);
    for (A_long y = 0; y < input.height(); ++y)
        for (A_long x = 0; x < input.width(); ++x) {
            if (deep) {
                PF_Pixel16& out = *standin::pixel16(frame.def(), x, y);
                out = *standin::pixel16(input.def(), x, y);
                in_front(*standin::pixel16(layer.def(), x, y), out, 32768);
            } else {
                PF_Pixel& out = *standin::pixel8(frame.def(), x, y);
                out = *standin::pixel8(input.def(), x, y);
                in_front(*standin::pixel8(layer.def(), x, y), out, 255);
            }
        }
    return frame;
}

namespace {

template <typename Pixel>
std::string first_difference_of(const PF_LayerDef& expected, const PF_LayerDef& actual,
                                Pixel* (*at)(const PF_LayerDef&, A_long, A_long))
{
    auto text = [](const Pixel& p) {
        return "(" + std::to_string(p.alpha) + ", " + std::to_string(p.red) + ", " + std::to_string(p.green) + ", " +
               std::to_string(p.blue) + ")";
    };
    for (A_long y = 0; y < expected.height; ++y)
        for (A_long x = 0; x < expected.width; ++x) {
            const Pixel &e = *at(expected, x, y), &a = *at(actual, x, y);
            if (std::memcmp(&e, &a, sizeof e) != 0)
                return "first difference at (" + std::to_string(x) + ", " + std::to_string(y) + "): expected argb " +
                       text(e) + ", actual " + text(a);
        }
    return "";
}

} // namespace

std::string first_difference(const PF_LayerDef& expected, const PF_LayerDef& actual)
{
    if (expected.width != actual.width || expected.height != actual.height ||
        standin::is_deep(expected) != standin::is_deep(actual))
        return "worlds of different size or depth";
    return standin::is_deep(expected) ? first_difference_of<PF_Pixel16>(expected, actual, standin::pixel16)
                                      : first_difference_of<PF_Pixel>(expected, actual, standin::pixel8);
}

::testing::AssertionResult SameFrame(const PF_LayerDef& expected, const PF_LayerDef& actual)
{
    const std::string difference = first_difference(expected, actual);
    if (difference.empty())
        return ::testing::AssertionSuccess();
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "." + info->name();
    std::replace(name.begin(), name.end(), '/', '_');
    const std::string stem = (std::filesystem::current_path() / name).string();
    std::string written;
    try {
        standin::write_png(stem + ".expected.png", expected);
        standin::write_png(stem + ".actual.png", actual);
        written = "; see " + stem + ".{expected,actual}.png";
    } catch (const std::exception& e) {
        written = std::string("; the images could not be written: ") + e.what();
    }
    return ::testing::AssertionFailure() << difference << written;
}

bool filled_with(const standin::World& world, unsigned char value)
{
    const auto* bytes = static_cast<const unsigned char*>(world.def().data);
    const std::size_t size = std::size_t(world.def().rowbytes) * std::size_t(world.height());
    return std::all_of(bytes, bytes + size, [value](unsigned char b) { return b == value; });
}

std::optional<PF_Rect> ink_box(const PF_LayerDef& world)
{
    std::optional<PF_Rect> box;
    for (A_long y = 0; y < world.height; ++y)
        for (A_long x = 0; x < world.width; ++x) {
            const bool ink = standin::is_deep(world) ? standin::pixel16(world, x, y)->alpha != 0
                                                     : standin::pixel8(world, x, y)->alpha != 0;
            if (!ink)
                continue;
            if (!box)
                box = PF_Rect{x, y, x + 1, y + 1};
            box->left = std::min(box->left, x);
            box->right = std::max(box->right, x + 1);
            box->top = std::min(box->top, y);
            box->bottom = std::max(box->bottom, y + 1);
        }
    return box;
}

void RenderTest::SetUp()
{
    EffectTest::SetUp();
    ASSERT_EQ(host.create_instance(), PF_Err_NONE);
    set_position(20, 50);
    request.time_scale = 25;
    request.time_step = 1;
}

void RenderTest::give_ltc(unsigned fps_num, unsigned fps_den, double sample_rate, standin::Timecode start)
{
    standin::LtcSpec spec;
    spec.fps_num = fps_num;
    spec.fps_den = fps_den;
    spec.start = start;
    spec.sample_rate = sample_rate;
    spec.frames = 120;
    host.layer_audio().set_clip(standin::generate_ltc(spec));
}

void RenderTest::set_position(double x, double y)
{
    PF_ParamDef& position = host.params()[PARAM_POSITION];
    position.u.td.x_value = PF_Fixed(x * 65536);
    position.u.td.y_value = PF_Fixed(y * 65536);
}

PF_Err RenderTest::render(long frame, standin::World& out, const standin::World* input)
{
    const A_long width = A_long(kWidth * request.downsample_x.num / request.downsample_x.den);
    const A_long height = A_long(kHeight * request.downsample_y.num / request.downsample_y.den);
    if (out.empty())
        out = standin::World(width, height, deep);
    const standin::World transparent(width, height, deep);
    request.input = input ? &input->def() : &transparent.def();
    request.current_time = A_long(frame * request.time_step);
    return host.render_frame(request, out.def());
}

namespace {

// The leak checker at exit should see only what the tests really lost.
class FontCaches : public ::testing::Environment {
public:
    void TearDown() override
    {
        runner::release_library_caches();
    }
};

const auto* const g_font_caches = ::testing::AddGlobalTestEnvironment(new FontCaches);

} // namespace
