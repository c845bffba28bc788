// Frames rendered through the stand-in host, each compared with a reference
// that the test draws from the text it expects.
#include <cstring>
#include <utility>
#include <string>
#include <vector>

#include "InputPicture.h"
#include "ParamChange.h"
#include "RenderFixture.h"
#include "overlay/Params.h"
#include "SequenceRecord.h"

namespace {

const std::string kZeroText = "00:00:00:00 ";

TextSpec text_at_20_50(const std::string& text)
{
    return {.text = text, .x = 20, .y = 50};
}

} // namespace

// What the render asks of the host: the layer of parameter 7, the window
// around the frame in the time base's units, 8-bit unsigned mono at 44.1 kHz.
// Without decodable audio (no audio, no samples, a window outside 32 bits, a
// time base without a frame rate) the zero text is drawn.
TEST_F(RenderTest, AudioWindowAndTheZeroText)
{
    const standin::World zero = reference_layer(text_at_20_50(kZeroText), kWidth, kHeight, false);
    standin::World out;
    ASSERT_EQ(render(10, out), PF_Err_NONE); // no handle, so nothing to read or check in
    EXPECT_TRUE(SameFrame(zero.def(), out.def()));
    EXPECT_EQ(host.ledger().count("inter.get_audio_data") + host.ledger().count("inter.checkin_layer_audio"), 0u);

    give_ltc(25, 1, 48000, {1, 0, 0, 0});
    host.clear_ledger();
    ASSERT_EQ(render(100, out), PF_Err_NONE);
    request.time_scale = 30000;
    request.time_step = 1001;
    ASSERT_EQ(render(10, out), PF_Err_NONE);
    const auto checkouts = host.ledger().named("inter.checkout_layer_audio");
    ASSERT_EQ(checkouts.size(), 2u);
    EXPECT_EQ(checkouts[0].args, "param=7 start=97 duration=5 scale=25 rate=2890137600 bytes=1 channels=1 signed=0");
    EXPECT_EQ(checkouts[1].args.substr(0, 45), "param=7 start=7007 duration=5005 scale=30000 ");

    host.faults().give_null("inter.get_audio_data", 3);
    host.params()[PARAM_SAMPLE_OFFSET].u.sd.value = 1000000000;
    for (auto [scale, step] : {std::pair{30000u, 1001}, {25u, 1}, {25u, 26}, {25u, 0}, {25u, -1}, {88200u, 1}}) {
        SCOPED_TRACE(std::to_string(scale) + "/" + std::to_string(step));
        request.time_scale = scale;
        request.time_step = step;
        ASSERT_EQ(render(3, out), PF_Err_NONE);
        EXPECT_TRUE(SameFrame(zero.def(), out.def()));
        host.params()[PARAM_SAMPLE_OFFSET].u.sd.value = 0;
    }
    EXPECT_EQ(host.ledger().count("inter.checkout_layer_audio"), 7u); // none for the window outside 32 bits
    EXPECT_EQ(host.ledger().count("inter.checkin_layer_audio"), 7u);
    ExpectBalanced();
}

namespace {

class Looks;

// What the user or the host changes before frame 20 renders, and the text
// that must then be drawn.
struct Look {
    const char* name;
    void (*set)(Looks&);
    TextSpec text;
};

class Looks : public RenderTest, public ::testing::WithParamInterface<Look> {
public:
    using RenderTest::host;
    using RenderTest::request;
    using RenderTest::give_ltc;
    using RenderTest::set_position;
};

const std::string kText = "01:00:00:20";
const TextSpec kDefaults{.text = kText, .x = 20, .y = 50};
const TextSpec kSerif{.text = kText, .family = "DejaVu Serif", .x = 20, .y = 50};

const Look kLooks[] = {
    {"Defaults", [](Looks&) {}, kDefaults},
    // Video frame n shows LTC frame n when LTC and picture start together; at
    // 29.97 a minute that is a multiple of ten keeps its frames 0 and 1.
    {"Fps24",
     [](Looks& t) {
         t.give_ltc(24, 1, 48000, {1, 2, 3, 4});
         t.request.time_scale = 24;
     },
     {.text = "01:02:04:00", .x = 20, .y = 50}},
    {"DropFrameMinute",
     [](Looks& t) {
         t.give_ltc(30000, 1001, 48000, {0, 9, 59, 20, true});
         t.request.time_scale = 30000;
         t.request.time_step = 1001;
     },
     {.text = "00;10;00;10", .x = 20, .y = 50}},
    {"Regular", [](Looks& t) { t.host.params()[PARAM_FONT_WEIGHT].u.pd.value = 2; },
     {.text = kText, .bold = false, .x = 20, .y = 50}},
    // The size narrowed to single precision, not rounded to whole points.
    {"FractionalSize", [](Looks& t) { t.host.params()[PARAM_FONT_SIZE].u.fs_d.value = 24.6; },
     {.text = kText, .size = double(24.6f), .x = 20, .y = 50}},
    // The colour's own alpha is not used.
    {"HalfOpaqueRed",
     [](Looks& t) {
         t.host.params()[PARAM_COLOR].u.cd.value = {17, 255, 0, 0};
         t.host.params()[PARAM_OPACITY].u.fs_d.value = 50;
     },
     {.text = kText, .x = 20, .y = 50, .green = 0, .blue = 0, .alpha = 0.5}},
    {"OpacityZero", [](Looks& t) { t.host.params()[PARAM_OPACITY].u.fs_d.value = 0; },
     {.text = kText, .x = 20, .y = 50, .alpha = 0}},
    // The position is in full-resolution layer pixels; the text starts there
    // in the rendered world's pixels, and its glyphs follow the downsampling
    // and the pixel aspect ratio.
    {"HalfResolution",
     [](Looks& t) {
         t.set_position(40, 60);
         t.request.downsample_x = t.request.downsample_y = {1, 2};
     },
     {.text = kText, .x = 20, .y = 30, .sx = 0.5, .sy = 0.5}},
    {"WidePixels",
     [](Looks& t) {
         t.set_position(40, 60);
         t.request.pixel_aspect_ratio = {2, 1};
     },
     {.text = kText, .x = 40, .y = 60, .sx = 0.5}},
    // The record's family; the default one for a record without a name,
    // without sequence data, and for a flattened block whatever it names.
    {"FamilyOfTheRecord", [](Looks& t) { SetName(t.host, kSerif.family, 0); }, kSerif},
    {"NoName", [](Looks& t) { delete[] std::exchange(Record(t.host).font_name, nullptr); }, kDefaults},
    {"NoSequenceData", [](Looks& t) { t.host.in_data().sequence_data = nullptr; }, kDefaults},
    // Only high quality copies the input with copy_hq; the transfer gets the quality as it is.
    {"LowQuality", [](Looks& t) { t.request.quality = 0; }, kDefaults},
    {"QualityTwo", [](Looks& t) { t.request.quality = 2; }, kDefaults},
    {"Flattened",
     [](Looks& t) {
         SetName(t.host, kSerif.family, 0);
         ASSERT_EQ(t.host.flatten(), PF_Err_NONE);
     },
     kDefaults},
};

} // namespace

// At both depths, over nothing and over the test picture: the frame is the
// input with the expected text composited in front. Each case shows: the
// text is seen unless transparent, and unlike the defaults' unless the row
// expects them. The iteration's progress runs over the output's lines.
TEST_P(Looks, DrawsTheTextTheParametersDescribe)
{
    give_ltc(25, 1, 44100, {1, 0, 0, 0});
    const PF_Handle own = host.in_data().sequence_data;
    GetParam().set(*this);
    const TextSpec& spec = GetParam().text;
    const A_long width = A_long(kWidth * request.downsample_x.num / request.downsample_x.den);
    const A_long height = A_long(kHeight * request.downsample_y.num / request.downsample_y.den);
    for (bool depth : {false, true})
        for (bool over_picture : {false, true}) {
            SCOPED_TRACE(std::string(depth ? "16-bit" : "8-bit") + (over_picture ? " over the picture" : ""));
            deep = depth;
            const standin::World input = over_picture ? standin::InputPicture::test_picture(width, height, deep)
                                                      : standin::World(width, height, deep);
            standin::World out;
            host.clear_ledger();
            ASSERT_EQ(render(20, out, &input), PF_Err_NONE);
            const bool high = request.quality == 1;
            EXPECT_EQ(host.ledger().count("PF World Transform Suite v1.copy_hq"), high ? 1u : 0u);
            EXPECT_EQ(host.ledger().count("PF World Transform Suite v1.copy"), high ? 0u : 1u);
            EXPECT_EQ(host.ledger().named("PF World Transform Suite v1.transfer_rect").at(0).args.substr(0, 10),
                      "quality=" + std::to_string(request.quality) + " ");
            const char* iterate = deep ? "PF iterate16 Suite v1.iterate" : "PF Iterate8 Suite v1.iterate";
            EXPECT_EQ(host.ledger().named(iterate).at(0).args, "progress 0.." + std::to_string(height));
            const standin::World expected = reference_frame(spec, input);
            EXPECT_TRUE(SameFrame(expected.def(), out.def()));
            EXPECT_EQ(first_difference(expected.def(), input.def()).empty(), spec.alpha == 0);
            EXPECT_EQ(first_difference(expected.def(), reference_frame(kDefaults, input).def()).empty(),
                      spec == kDefaults);
        }
    if (!host.in_data().sequence_data)
        host.in_data().sequence_data = own;
    ExpectBalanced();
}

INSTANTIATE_TEST_SUITE_P(Parameters, Looks, ::testing::ValuesIn(kLooks),
                         [](const auto& row) { return std::string(row.param.name); });

// Failures the fault sweep does not make: two in one render (the audio
// data's code wins over the check-in's), a host that hands over too few
// parameters, and a surface that cairo cannot make.
TEST_F(RenderTest, FailuresLeaveTheOutputUnwritten)
{
    give_ltc(25, 1, 48000, {1, 0, 0, 0});
    const standin::World input = standin::InputPicture::test_picture(kWidth, kHeight, false);
    standin::World out(kWidth, kHeight, false, 0x77);
    host.faults().fail("inter.get_audio_data", 1, 77);
    host.faults().fail("inter.checkin_layer_audio", 1, 78);
    EXPECT_EQ(render(20, out, &input), 77);
    EXPECT_TRUE(filled_with(out, 0x77));

    host.in_data().num_params = PARAM_NUM_PARAMS - 1;
    host.clear_ledger();
    EXPECT_EQ(render(20, out, &input), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_TRUE(host.ledger().calls().empty());
    EXPECT_TRUE(filled_with(out, 0x77));
    host.in_data().num_params = PARAM_NUM_PARAMS;

    // 32768 pixels is a world the host can make and an image cairo cannot.
    const standin::World wide_input(32768, 1, false);
    standin::World wide_out(32768, 1, false, 0x77);
    request.input = &wide_input.def();
    EXPECT_EQ(host.render_frame(request, wide_out.def()), PF_Err_OUT_OF_MEMORY);
    EXPECT_TRUE(filled_with(wide_out, 0x77));
    EXPECT_EQ(host.ledger().count("PF World Transform Suite v1.copy_hq"), 0u);
    EXPECT_EQ(host.ledger().count("PF ColorParamSuite v1.GetFloatingPointColorFromColorDef"), 0u);
    ExpectBalanced();
}
