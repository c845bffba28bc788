// A loaded effect instance ready to render small frames, with the helpers
// that compare a frame with a reference the test draws itself.
#pragma once

#include <string>

#include "EffectFixture.h"
#include "FrameRender.h"
#include "LtcSignal.h"
#include "World.h"

// What the effect is expected to draw, in the output's pixels.
struct TextSpec {
    std::string text;
    std::string family = "Arial";
    bool bold = true;
    double size = 32;
    double x = 0, y = 0;           // the baseline's start, in output pixels
    double sx = 1, sy = 1;         // the glyphs' scale
    double red = 1, green = 1, blue = 1, alpha = 1;

    bool operator==(const TextSpec&) const = default;
};

// The text drawn with cairo and converted by the test's own arithmetic:
// straight alpha at the world's depth, transparent outside the glyphs.
standin::World reference_layer(const TextSpec& spec, A_long width, A_long height, bool deep);

// That layer composited in front of `input` as the host's transfer does:
// the whole frame the effect is expected to give back.
standin::World reference_frame(const TextSpec& spec, const standin::World& input);

// "" when equal, else the first differing pixel with both values.
std::string first_difference(const PF_LayerDef& expected, const PF_LayerDef& actual);

// Compares and, on a difference, writes NAME.expected.png and NAME.actual.png
// into the working directory and names them in the failure.
::testing::AssertionResult SameFrame(const PF_LayerDef& expected, const PF_LayerDef& actual);

// Every byte of the world, row padding included, is `value`.
bool filled_with(const standin::World& world, unsigned char value);

class RenderTest : public EffectTest {
protected:
    static constexpr A_long kWidth = 320, kHeight = 80;

    void SetUp() override;

    // LTC that starts with the picture, made by the host's generator.
    void give_ltc(unsigned fps_num, unsigned fps_den, double sample_rate, standin::Timecode start);
    void set_position(double x, double y); // in full-resolution layer pixels

    // Renders video frame `frame` of the request's time base over `input`
    // (a transparent layer of the output's size when null) into `out`.
    PF_Err render(long frame, standin::World& out, const standin::World* input = nullptr);

    standin::FrameRequest request; // time base, resolution, quality
    bool deep = false;
};
