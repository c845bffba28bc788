#include <cmath>
#include <cstring>

#include <sndfile.h>
#include <string>
#include <vector>

#include "InputPicture.h"
#include "ParamChange.h"
#include "overlay/Params.h"
#include "RenderFixture.h"
#include "overlay/SequenceData.h"

namespace {

const std::string kZeroText = "00:00:00:00 ";

struct RateCase {
    unsigned fps_num, fps_den;
    double sample_rate;
    standin::Timecode start;
    long frame;
    std::string expected;
    bool deep;
};

class TimecodeAtRate : public RenderTest, public ::testing::WithParamInterface<RateCase> {};

} // namespace

// Video frame n shows LTC frame n when LTC and picture start together.
TEST_P(TimecodeAtRate, BurnsTheLtcFrameThatStartsWithThePicture)
{
    const RateCase& c = GetParam();
    deep = c.deep;
    give_ltc(c.fps_num, c.fps_den, c.sample_rate, c.start);
    request.time_scale = c.fps_num;
    request.time_step = A_long(c.fps_den);

    standin::World out;
    ASSERT_EQ(render(c.frame, out), PF_Err_NONE);
    const standin::World expected = reference_layer({.text = c.expected, .x = 20, .y = 50}, kWidth, kHeight, deep);
    EXPECT_TRUE(SameFrame(expected.def(), out.def())) << "expected the text " << c.expected;
    ExpectBalanced();
}

INSTANTIATE_TEST_SUITE_P(
    Rates, TimecodeAtRate,
    ::testing::Values(RateCase{24, 1, 48000, {1, 2, 3, 4}, 10, "01:02:03:14", true},
                      RateCase{25, 1, 44100, {1, 2, 3, 4}, 30, "01:02:04:09", false},
                      RateCase{30000, 1001, 48000, {0, 0, 59, 26, true}, 4, "00;01;00;02", true},
                      RateCase{30000, 1001, 48000, {0, 0, 59, 26, true}, 3, "00;00;59;29", false},
                      RateCase{30, 1, 48000, {10, 0, 0, 0}, 45, "10:00:01:15", false}),
    [](const auto& param_info) {
        const RateCase& c = param_info.param;
        return "fps" + std::to_string(c.fps_num * 100 / c.fps_den) + "_" + std::to_string(int(c.sample_rate)) +
               "Hz_frame" + std::to_string(c.frame) + (c.deep ? "_16bit" : "_8bit");
    });

// LTC recorded on the second channel of a 48 kHz stereo file, the first
// carrying a tone: the host reads it with libsndfile and resamples it.
TEST_F(RenderTest, LtcFromTheChosenChannelOfAFile)
{
    standin::LtcSpec spec;
    spec.fps_num = 30000;
    spec.fps_den = 1001;
    spec.start = {0, 9, 59, 20, true};
    spec.frames = 40;
    const standin::AudioClip ltc = standin::generate_ltc(spec);
    std::vector<float> stereo;
    for (long i = 0; i < ltc.frames(); ++i) {
        stereo.push_back(0.5f * float(std::sin(i * 0.05)));
        stereo.push_back(ltc.samples[size_t(i)]);
    }
    const std::string path = scratch_file("ltc-on-channel-2.wav");
    SF_INFO info{};
    info.samplerate = 48000;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(sf_writef_float(file, stereo.data(), ltc.frames()), ltc.frames());
    sf_close(file);

    host.layer_audio().set_clip(standin::read_audio_file(path));
    host.layer_audio().set_channel(2);
    request.time_scale = 30000;
    request.time_step = 1001;
    standin::World out;
    ASSERT_EQ(render(12, out), PF_Err_NONE);
    // 00;09;59;20 + 12 frames: minute 10 keeps its frames 0 and 1.
    const TextSpec expected{.text = "00;10;00;02", .x = 20, .y = 50};
    EXPECT_TRUE(SameFrame(reference_layer(expected, kWidth, kHeight, false).def(), out.def()));
    ExpectBalanced();
}

TEST_F(RenderTest, RequestsTheAudioWindowAroundTheFrame)
{
    give_ltc(25, 1, 48000, {1, 0, 0, 0});
    auto last_checkout = [&] {
        const auto calls = host.ledger().named("inter.checkout_layer_audio");
        return calls.empty() ? std::string("none") : calls.back().args;
    };
    auto& offset = host.params()[PARAM_SAMPLE_OFFSET].u.sd.value;
    auto& width = host.params()[PARAM_SAMPLE_WIDTH].u.sd.value;
    standin::World out;

    ASSERT_EQ(render(100, out), PF_Err_NONE);
    EXPECT_EQ(last_checkout(),
              "param=7 start=97 duration=5 scale=25 rate=2890137600 bytes=1 channels=1 signed=0");
    width = 60;
    offset = 0;
    ASSERT_EQ(render(10, out), PF_Err_NONE); // before time 0: not clamped
    EXPECT_EQ(last_checkout().substr(0, 38), "param=7 start=-49 duration=61 scale=25");

    width = 4;
    request.time_scale = 30000;
    request.time_step = 1001;
    ASSERT_EQ(render(10, out), PF_Err_NONE);
    EXPECT_EQ(last_checkout().substr(0, 45), "param=7 start=7007 duration=5005 scale=30000 ");

    // Outside 32 bits: nothing is checked out and the zero text is drawn.
    offset = 1000000000;
    host.clear_ledger();
    ASSERT_EQ(render(10, out), PF_Err_NONE);
    EXPECT_EQ(host.ledger().count("inter.checkout_layer_audio"), 0u);
    const standin::World zero = reference_layer({.text = kZeroText, .x = 20, .y = 50}, kWidth, kHeight, false);
    EXPECT_TRUE(SameFrame(zero.def(), out.def()));
    ExpectBalanced();
}

TEST_F(RenderTest, WithoutDecodableAudioDrawsTheZeroText)
{
    const standin::World zero = reference_layer({.text = kZeroText, .x = 20, .y = 50}, kWidth, kHeight, false);
    standin::World out;

    // A layer without audio: no handle, so no check-in either.
    ASSERT_EQ(render(10, out), PF_Err_NONE);
    EXPECT_TRUE(SameFrame(zero.def(), out.def()));
    EXPECT_EQ(host.ledger().count("inter.checkout_layer_audio"), 1u);
    EXPECT_EQ(host.ledger().count("inter.get_audio_data"), 0u);
    EXPECT_EQ(host.ledger().count("inter.checkin_layer_audio"), 0u);

    // A handle with no samples, and time bases that give no frame rate.
    give_ltc(25, 1, 48000, {1, 0, 0, 0});
    host.faults().give_null("inter.get_audio_data", 1);
    ASSERT_EQ(render(10, out), PF_Err_NONE);
    EXPECT_TRUE(SameFrame(zero.def(), out.def()));
    EXPECT_EQ(host.ledger().count("inter.checkin_layer_audio"), 1u);
    for (auto [scale, step] : {std::pair{25u, 26}, {25u, 0}, {25u, -1}, {88200u, 1}}) {
        request.time_scale = scale;
        request.time_step = step;
        ASSERT_EQ(render(3, out), PF_Err_NONE) << scale << "/" << step;
        EXPECT_TRUE(SameFrame(zero.def(), out.def())) << scale << "/" << step;
    }
    ExpectBalanced();
}

TEST_F(RenderTest, OpacityZeroPassesTheInputThrough)
{
    give_ltc(25, 1, 48000, {1, 0, 0, 0});
    host.params()[PARAM_OPACITY].u.fs_d.value = 0;
    for (bool depth : {false, true}) {
        deep = depth;
        const standin::World input = standin::InputPicture::test_picture(kWidth, kHeight, deep);
        standin::World out;
        ASSERT_EQ(render(20, out, &input), PF_Err_NONE);
        EXPECT_TRUE(SameFrame(input.def(), out.def())) << (deep ? "16-bit" : "8-bit");
    }
    ExpectBalanced();
}

// Half-opaque red over the test picture, at both depths: the frame the host
// gets back is the picture with the drawn text composited in front of it.
TEST_F(RenderTest, TextOverAPictureIsTheDrawingInFrontOfIt)
{
    give_ltc(25, 1, 48000, {1, 0, 0, 0});
    host.params()[PARAM_COLOR].u.cd.value = {17, 255, 0, 0}; // the colour's own alpha is not used
    host.params()[PARAM_OPACITY].u.fs_d.value = 50;
    const TextSpec spec{.text = "01:00:00:20", .x = 20, .y = 50, .green = 0, .blue = 0, .alpha = 0.5};
    for (bool depth : {false, true}) {
        SCOPED_TRACE(depth ? "16-bit" : "8-bit");
        deep = depth;
        const standin::World input = standin::InputPicture::test_picture(kWidth, kHeight, deep);
        standin::World over_picture, over_nothing;
        ASSERT_EQ(render(20, over_picture, &input), PF_Err_NONE);
        ASSERT_EQ(render(20, over_nothing), PF_Err_NONE);

        const standin::World layer = reference_layer(spec, kWidth, kHeight, deep);
        EXPECT_TRUE(SameFrame(layer.def(), over_nothing.def()));
        EXPECT_TRUE(SameFrame(reference_frame(spec, input).def(), over_picture.def()));
        const std::optional<PF_Rect> ink = ink_box(layer.def());
        ASSERT_TRUE(ink.has_value());
        EXPECT_GT(ink->right - ink->left, 100) << "the text left hardly any ink";
    }
    ExpectBalanced();
}

// The size reaches cairo as the parameter's value narrowed to single
// precision, not rounded to whole points.
TEST_F(RenderTest, FractionalFontSizeIsDrawnAsGiven)
{
    give_ltc(25, 1, 48000, {1, 0, 0, 0});
    host.params()[PARAM_FONT_SIZE].u.fs_d.value = 24.6;
    standin::World out;
    ASSERT_EQ(render(20, out), PF_Err_NONE);
    TextSpec spec{.text = "01:00:00:20", .size = double(24.6f), .x = 20, .y = 50};
    EXPECT_TRUE(SameFrame(reference_layer(spec, kWidth, kHeight, false).def(), out.def()));
    for (double whole : {24.0, 25.0}) {
        spec.size = whole;
        EXPECT_FALSE(first_difference(reference_layer(spec, kWidth, kHeight, false).def(), out.def()).empty())
            << "24.6 drew like " << whole;
    }
    ExpectBalanced();
}

TEST_F(RenderTest, WeightAndFamilyChooseTheFace)
{
    give_ltc(25, 1, 48000, {1, 0, 0, 0});
    standin::World bold, regular;
    ASSERT_EQ(render(20, bold), PF_Err_NONE);
    host.params()[PARAM_FONT_WEIGHT].u.pd.value = 2;
    ASSERT_EQ(render(20, regular), PF_Err_NONE);
    const TextSpec spec{.text = "01:00:00:20", .x = 20, .y = 50};
    EXPECT_TRUE(SameFrame(reference_layer(spec, kWidth, kHeight, false).def(), bold.def()));
    TextSpec regular_spec = spec;
    regular_spec.bold = false;
    EXPECT_TRUE(SameFrame(reference_layer(regular_spec, kWidth, kHeight, false).def(), regular.def()));
    EXPECT_FALSE(first_difference(bold.def(), regular.def()).empty()) << "bold and regular look the same";

    // The family named by an in-memory record of our own making.
    char family[] = "DejaVu Serif";
    SeqData record{0, family, 0};
    const PF_Handle own = host.in_data().sequence_data;
    const PF_Handle handle = host.handles().create(sizeof record);
    std::memcpy(host.handles().block(handle), &record, sizeof record);
    host.in_data().sequence_data = handle;
    standin::World serif;
    ASSERT_EQ(render(20, serif), PF_Err_NONE);
    regular_spec.family = family;
    EXPECT_TRUE(SameFrame(reference_layer(regular_spec, kWidth, kHeight, false).def(), serif.def()));
    EXPECT_FALSE(first_difference(regular.def(), serif.def()).empty()) << "the family made no difference";

    // A record without a name, no sequence data, a flattened block: the default family.
    SeqData nameless{0, nullptr, 1};
    std::memcpy(host.handles().block(handle), &nameless, sizeof nameless);
    standin::World out;
    ASSERT_EQ(render(20, out), PF_Err_NONE);
    EXPECT_TRUE(SameFrame(regular.def(), out.def())) << "no name";
    host.in_data().sequence_data = nullptr;
    ASSERT_EQ(render(20, out), PF_Err_NONE);
    EXPECT_TRUE(SameFrame(regular.def(), out.def())) << "no sequence data";
    host.handles().destroy(handle);
    host.in_data().sequence_data = own;
    ASSERT_EQ(host.flatten(), PF_Err_NONE);
    ASSERT_EQ(render(20, out), PF_Err_NONE);
    EXPECT_TRUE(SameFrame(regular.def(), out.def())) << "flattened";
    ExpectBalanced();
}

// The whole road of a font change: the dialog's choice is drawn, survives a
// save and reopen of the project, and "**Default**" brings the default back.
TEST_F(RenderTest, FamilyChosenInTheDialogIsDrawnAndKept)
{
    give_ltc(25, 1, 48000, {1, 0, 0, 0});
    const TextSpec arial{.text = "01:00:00:20", .x = 20, .y = 50};
    TextSpec serif = arial;
    serif.family = "DejaVu Serif";

    host.scripts().set_user(standin::DialogUser::ok_with(serif.family));
    ASSERT_EQ(standin::user_changed_param(host, PARAM_FONT_BUTTON), PF_Err_NONE);
    standin::World chosen;
    ASSERT_EQ(render(20, chosen), PF_Err_NONE);
    EXPECT_TRUE(SameFrame(reference_layer(serif, kWidth, kHeight, false).def(), chosen.def()));
    EXPECT_FALSE(first_difference(reference_layer(arial, kWidth, kHeight, false).def(), chosen.def()).empty())
        << "the chosen family drew like the default one";

    std::vector<uint8_t> project;
    ASSERT_EQ(host.save(project), PF_Err_NONE);
    ASSERT_EQ(host.reopen(project), PF_Err_NONE);
    set_position(20, 50);
    standin::World reopened;
    ASSERT_EQ(render(20, reopened), PF_Err_NONE);
    EXPECT_TRUE(SameFrame(chosen.def(), reopened.def())) << "after save and reopen";

    host.scripts().set_user(standin::DialogUser::ok_at(0));
    ASSERT_EQ(standin::user_changed_param(host, PARAM_FONT_BUTTON), PF_Err_NONE);
    standin::World back;
    ASSERT_EQ(render(20, back), PF_Err_NONE);
    EXPECT_TRUE(SameFrame(reference_layer(arial, kWidth, kHeight, false).def(), back.def()));
    ExpectBalanced();
}

// The point suite hands the position in the rendered world's pixels; the text
// starts there, and its glyphs follow the downsampling and the pixel aspect.
TEST_F(RenderTest, ReducedResolutionAndPixelAspectPlaceTheText)
{
    give_ltc(25, 1, 48000, {1, 0, 0, 0});
    set_position(40, 60);
    const std::string text = "01:00:00:20";
    standin::World full;
    ASSERT_EQ(render(20, full), PF_Err_NONE);
    EXPECT_TRUE(SameFrame(reference_layer({.text = text, .x = 40, .y = 60}, kWidth, kHeight, false).def(), full.def()));

    request.downsample_x = request.downsample_y = {1, 2};
    standin::World half;
    ASSERT_EQ(render(20, half), PF_Err_NONE);
    ASSERT_EQ(half.width(), kWidth / 2);
    EXPECT_TRUE(SameFrame(
        reference_layer({.text = text, .x = 20, .y = 30, .sx = 0.5, .sy = 0.5}, kWidth / 2, kHeight / 2, false).def(),
        half.def()));

    request.downsample_x = request.downsample_y = {1, 1};
    request.pixel_aspect_ratio = {2, 1};
    standin::World wide_pixels;
    ASSERT_EQ(render(20, wide_pixels), PF_Err_NONE);
    EXPECT_TRUE(SameFrame(reference_layer({.text = text, .x = 40, .y = 60, .sx = 0.5}, kWidth, kHeight, false).def(),
                          wide_pixels.def()));

    // Independently of the references: where the ink lies.
    const PF_Rect f = *ink_box(full.def()), h = *ink_box(half.def()), w = *ink_box(wide_pixels.def());
    EXPECT_NEAR(h.left, f.left / 2.0, 1);
    EXPECT_NEAR(h.right - h.left, (f.right - f.left) / 2.0, 2);
    EXPECT_NEAR(h.bottom, f.bottom / 2.0, 1);
    EXPECT_NEAR(w.left, f.left, 1);
    EXPECT_NEAR(w.right - w.left, (f.right - f.left) / 2.0, 2);
    EXPECT_EQ(w.top, f.top);
    EXPECT_EQ(w.bottom, f.bottom);
    ExpectBalanced();
}

TEST_F(RenderTest, HighQualityCopiesWithCopyHq)
{
    const standin::World input = standin::InputPicture::test_picture(kWidth, kHeight, false);
    for (PF_Quality quality : {0, 1, 2}) {
        host.clear_ledger();
        request.quality = quality;
        standin::World out;
        ASSERT_EQ(render(20, out, &input), PF_Err_NONE);
        EXPECT_EQ(host.ledger().count("PF World Transform Suite v1.copy_hq"), quality == 1 ? 1u : 0u) << quality;
        EXPECT_EQ(host.ledger().count("PF World Transform Suite v1.copy"), quality == 1 ? 0u : 1u) << quality;
        const auto transfers = host.ledger().named("PF World Transform Suite v1.transfer_rect");
        ASSERT_EQ(transfers.size(), 1u);
        EXPECT_EQ(transfers[0].args.substr(0, 10), "quality=" + std::to_string(quality) + " ");
        // The world's arguments: ContractLiteralsTest. The iteration's
        // progress runs over the output's lines.
        const auto iterations = host.ledger().named("PF Iterate8 Suite v1.iterate");
        ASSERT_EQ(iterations.size(), 1u);
        EXPECT_EQ(iterations[0].args, "progress 0..80");
    }
    ExpectBalanced();
}

TEST_F(RenderTest, SurfaceThatCairoCannotMakeLeavesTheOutputUnwritten)
{
    // 32768 pixels is a world the host can make and an image cairo cannot.
    standin::World input(32768, 1, false), out(32768, 1, false);
    input.fill_bytes(0x40);
    out.fill_bytes(0x77);
    request.input = &input.def();
    EXPECT_EQ(host.render_frame(request, out.def()), PF_Err_OUT_OF_MEMORY);
    EXPECT_TRUE(filled_with(out, 0x77));
    EXPECT_EQ(host.ledger().count("PF World Transform Suite v1.copy_hq"), 0u);
    EXPECT_EQ(host.ledger().count("PF ColorParamSuite v1.GetFloatingPointColorFromColorDef"), 0u);
    ExpectBalanced();
}
