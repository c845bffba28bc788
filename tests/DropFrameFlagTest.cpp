// Semicolons follow the drop-frame flag that the LTC itself carries, not the
// frame rate: 29.97 without the flag reads with colons, 30 with it with
// semicolons.
#include <gtest/gtest.h>

#include <ltc.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "RenderFixture.h"

namespace {

struct Case {
    unsigned scale, step; // the time base, one LTC frame a video frame
    bool flag;            // the drop-frame flag in every LTC frame
    std::string expected; // video frame 10 of LTC that starts at 01:02:03:04
};

const Case kCases[] = {
    {30000, 1001, false, "01:02:03:14"},
    {30, 1, true, "01;02;03;14"},
    {30000, 1001, true, "01;02;03;14"},
    {30, 1, false, "01:02:03:14"},
};

std::string name_of(const Case& c)
{
    return "fps" + std::to_string(c.scale * 100 / c.step) + (c.flag ? "_flagged" : "_unflagged");
}

// 8-bit LTC at 44.1 kHz from libltc's encoder, from time 0, starting at
// 01:02:03:04, with the flag as the case says.
std::vector<uint8_t> encoded_ltc(const Case& c, int frames)
{
    std::unique_ptr<LTCEncoder, void (*)(LTCEncoder*)> encoder(
        ltc_encoder_create(44100, double(c.scale) / c.step, LTC_TV_525_60, 0), ltc_encoder_free);
    EXPECT_NE(encoder, nullptr);
    if (!encoder)
        return {};
    LTCFrame frame;
    ltc_encoder_get_frame(encoder.get(), &frame);
    frame.dfbit = c.flag ? 1 : 0;
    ltc_encoder_set_frame(encoder.get(), &frame);
    SMPTETimecode start{};
    std::strcpy(start.timezone, "+0000");
    start.hours = 1;
    start.mins = 2;
    start.secs = 3;
    start.frame = 4;
    ltc_encoder_set_timecode(encoder.get(), &start);
    std::vector<uint8_t> samples;
    for (int i = 0; i < frames; ++i) {
        ltc_encoder_encode_frame(encoder.get());
        ltcsnd_sample_t* buffer = nullptr;
        const int n = ltc_encoder_get_bufferptr(encoder.get(), &buffer, 1);
        samples.insert(samples.end(), buffer, buffer + n);
        ltc_encoder_inc_timecode(encoder.get());
    }
    return samples;
}

class DropFrameFlagRender : public RenderTest, public ::testing::WithParamInterface<Case> {};

TEST_P(DropFrameFlagRender, BurnsTheSeparatorsTheLtcAsksFor)
{
    const Case& c = GetParam();
    standin::AudioClip clip;
    clip.rate = 44100;
    for (uint8_t v : encoded_ltc(c, 40))
        clip.samples.push_back((float(v) - 128.0f) / 128.0f);
    host.layer_audio().set_clip(clip);
    request.time_scale = c.scale;
    request.time_step = A_long(c.step);

    standin::World out;
    ASSERT_EQ(render(10, out), PF_Err_NONE);
    const TextSpec expected{.text = c.expected, .x = 20, .y = 50};
    EXPECT_TRUE(SameFrame(reference_layer(expected, kWidth, kHeight, false).def(), out.def()))
        << "expected the text " << c.expected;
    ExpectBalanced();
}

INSTANTIATE_TEST_SUITE_P(Rates, DropFrameFlagRender, ::testing::ValuesIn(kCases),
                         [](const auto& param_info) { return name_of(param_info.param); });

} // namespace
