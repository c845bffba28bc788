#include "RenderFixture.h"

#include <algorithm>
#include <array>
#include <cairo.h>
#include <cstddef>
#include <cstdint>
#include <filesystem>

#include "overlay/Params.h"
#include "LibraryCaches.h"
#include "Png.h"

namespace {

using Argb = std::array<uint64_t, 4>;

Argb argb(const PF_LayerDef& world, A_long x, A_long y)
{
    if (standin::is_deep(world)) {
        const PF_Pixel16& p = *standin::pixel16(world, x, y);
        return {p.alpha, p.red, p.green, p.blue};
    }
    const PF_Pixel& p = *standin::pixel8(world, x, y);
    return {p.alpha, p.red, p.green, p.blue};
}

void set_argb(PF_LayerDef& world, A_long x, A_long y, const Argb& v)
{
    if (standin::is_deep(world))
        *standin::pixel16(world, x, y) = {A_u_short(v[0]), A_u_short(v[1]), A_u_short(v[2]), A_u_short(v[3])};
    else
        *standin::pixel8(world, x, y) = {A_u_char(v[0]), A_u_char(v[1]), A_u_char(v[2]), A_u_char(v[3])};
}

// The drawing's pixel in straight alpha: cairo's ARGB32 word holds blue,
// green, red and alpha in memory order, colours premultiplied. A colour is
// divided back by alpha, rounded to nearest with the half rounded down, for
// alphas strictly between 0 and 255; at 16 bits each value is then v x 128.5,
// the half rounded up.
Argb drawn(const unsigned char* p, bool deep)
{
    const uint64_t alpha = p[3];
    auto widen = [deep](uint64_t v) { return deep ? (v * 257 + 1) / 2 : v; };
    auto colour = [&](uint64_t c) { return widen(alpha > 0 && alpha < 255 ? (c * 255 + alpha / 2) / alpha : c); };
    return {widen(alpha), colour(p[2]), colour(p[1]), colour(p[0])};
}

// The host's in-front transfer of a straight-alpha pixel at full opacity,
// max being the depth's full channel value: both pixels weighted by their
// share of the result's coverage, every quotient rounded half up.
void in_front(const Argb& src, Argb& dst, uint64_t max)
{
    if (src[0] == 0)
        return;
    const uint64_t src_weight = src[0] * max, dst_weight = dst[0] * (max - src[0]);
    const uint64_t total = src_weight + dst_weight;
    dst[0] = (2 * total + max) / (2 * max);
    for (int c = 1; c < 4; ++c)
        dst[c] = (2 * (src[c] * src_weight + dst[c] * dst_weight) + total) / (2 * total);
}

} // namespace

standin::World reference_layer(const TextSpec& spec, A_long width, A_long height, bool deep)
{
    return reference_frame(spec, standin::World(width, height, deep));
}

standin::World reference_frame(const TextSpec& spec, const standin::World& input)
{
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, input.width(), input.height());
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
    standin::World frame(input.width(), input.height(), input.deep());
    for (A_long y = 0; y < input.height(); ++y)
        for (A_long x = 0; x < input.width(); ++x) {
            Argb out = argb(input.def(), x, y);
            in_front(drawn(data + std::ptrdiff_t(y) * stride + x * 4, input.deep()), out,
                     input.deep() ? 32768 : 255);
            set_argb(frame.def(), x, y, out);
        }
    cairo_surface_destroy(surface);
    return frame;
}

std::string first_difference(const PF_LayerDef& expected, const PF_LayerDef& actual)
{
    if (expected.width != actual.width || expected.height != actual.height ||
        standin::is_deep(expected) != standin::is_deep(actual))
        return "worlds of different size or depth";
    auto text = [](const Argb& p) {
        return "(" + std::to_string(p[0]) + ", " + std::to_string(p[1]) + ", " + std::to_string(p[2]) + ", " +
               std::to_string(p[3]) + ")";
    };
    for (A_long y = 0; y < expected.height; ++y)
        for (A_long x = 0; x < expected.width; ++x)
            if (argb(expected, x, y) != argb(actual, x, y))
                return "first difference at (" + std::to_string(x) + ", " + std::to_string(y) + "): expected argb " +
                       text(argb(expected, x, y)) + ", actual " + text(argb(actual, x, y));
    return "";
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
    host.layer_audio().set_clip(standin::generate_ltc(
        {.fps_num = fps_num, .fps_den = fps_den, .start = start, .sample_rate = sample_rate, .frames = 120}));
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
    void TearDown() override { runner::release_library_caches(); }
};

const auto* const g_font_caches = ::testing::AddGlobalTestEnvironment(new FontCaches);

} // namespace
