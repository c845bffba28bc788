#include "RenderFixture.h"

#include <algorithm>
#include <cairo.h>
#include <cstring>
#include <filesystem>

#include "overlay/Params.h"
#include "LibraryCaches.h"
#include "Png.h"
#include "overlay/PixelCallbacks.h"

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

    standin::World layer(width, height, deep);
    for (A_long y = 0; y < height; ++y)
        for (A_long x = 0; x < width; ++x) {
            if (deep)
                MySimpleTextFunc16(surface, x, y, nullptr, standin::pixel16(layer.def(), x, y));
            else
                MySimpleTextFunc8(surface, x, y, nullptr, standin::pixel8(layer.def(), x, y));
        }
    cairo_surface_destroy(surface);
    return layer;
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
