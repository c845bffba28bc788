#include <gtest/gtest.h>

#include <string>

#include "LtcSignal.h"
#include "overlay/TimecodeDecoder.h"

namespace {

struct TimeBase {
    A_u_long scale;
    A_long step;
};

struct RateCase {
    LtcRate rate;
    TimeBase base;
};

std::string decode(const std::vector<uint8_t>& samples, TimeBase base)
{
    TimecodeText text;
    decode_ltc_text(samples.data(), static_cast<A_long>(samples.size()), base.scale, base.step,
                    text);
    return text.chars;
}

// The window of video frame n with the default width 4 and offset 0, as LTC
// frames when LTC frame 0 starts with video frame 0.
std::vector<uint8_t> default_window(const LtcSignal& ltc, long n) { return ltc.frames(n - 3, 5); }

} // namespace

TEST(AudioWindow, FollowsOffsetAndWidthInFrames)
{
    struct Case {
        A_long t, s, offset, width;
        int64_t start, duration;
    } cases[] = {
        {100, 1, 0, 4, 97, 5},       // 25/1 at time 100
        {7000, 1001, 0, 1, 7000, 2002},
        {7000, 1001, 0, 4, 7000 - 3003, 5005},
        {7000, 1001, -2, 4, 7000 - 5005, 5005}, // ends at t
        {7000, 1001, 3, 1, 7000 + 3003, 2002},
        {10, 1, 0, 60, -49, 61},     // before time 0: passed on unclamped
    };
    for (const Case& c : cases) {
        const AudioWindow w = audio_window(c.t, c.s, c.offset, c.width);
        EXPECT_EQ(w.start, c.start) << "t " << c.t << " offset " << c.offset << " width " << c.width;
        EXPECT_EQ(w.duration, c.duration) << "t " << c.t << " offset " << c.offset;
        EXPECT_TRUE(w.fits());
    }

    // Offsets near the slider's bounds leave 32 bits: no check-out then.
    EXPECT_FALSE(audio_window(0, 1001, 1000000000, 4).fits());
    EXPECT_FALSE(audio_window(0, 1001, -1000000000, 4).fits());
    EXPECT_FALSE(audio_window(0, 2147483647, 0, 1).fits()); // duration alone too long
    const AudioWindow edge = audio_window(2147483647 - 2, 1, 0, 1);
    EXPECT_TRUE(edge.fits()); // start exactly at the top of the range
    EXPECT_EQ(edge.start, 2147483645);
}

TEST(SamplesPerFrame, CommonTimeBasesAndUnusableOnes)
{
    EXPECT_EQ(ltc_samples_per_frame(24, 1), 1837);
    EXPECT_EQ(ltc_samples_per_frame(25, 1), 1764);
    EXPECT_EQ(ltc_samples_per_frame(30000, 1001), 1520); // fps 29, not 29.97
    EXPECT_EQ(ltc_samples_per_frame(30, 1), 1470);
    EXPECT_EQ(ltc_samples_per_frame(50, 1), 882);
    EXPECT_EQ(ltc_samples_per_frame(60000, 1001), 747);
    EXPECT_EQ(ltc_samples_per_frame(44100, 1), 1);

    EXPECT_EQ(ltc_samples_per_frame(25, 0), 0);      // step 0
    EXPECT_EQ(ltc_samples_per_frame(25, -1), 0);     // negative step
    EXPECT_EQ(ltc_samples_per_frame(25, 26), 0);     // fps 0
    EXPECT_EQ(ltc_samples_per_frame(44101, 1), 0);   // fps above 44100
    EXPECT_EQ(ltc_samples_per_frame(0, 1), 0);
}

class DecodeLtcAtRate : public ::testing::TestWithParam<RateCase> {};

// Video frame n shows LTC frame n: the window holds LTC frames n-3 to n+1,
// and n+1, which ends exactly where the window does, is not yet complete.
TEST_P(DecodeLtcAtRate, DefaultWindowShowsTheLtcFrameThatStartsWithThePicture)
{
    const RateCase c = GetParam();
    const LtcSignal ltc = make_ltc(c.rate, 60, 1, 2, 3, 4);
    for (long n : {3L, 10L, 27L, 40L})
        EXPECT_EQ(decode(default_window(ltc, n), c.base), ltc.text[n]) << "video frame " << n;

    // The window shifted by the offset, and width 1 (the current frame and the next).
    EXPECT_EQ(decode(ltc.frames(20 - 5, 5), c.base), ltc.text[18]) << "offset -2";
    EXPECT_EQ(decode(ltc.frames(20, 2), c.base), ltc.text[20]) << "width 1";
    // More complete frames than the decoder's queue of 16: still the last one.
    EXPECT_EQ(decode(ltc.frames(5, 31), c.base),
              ltc.text[34]) << "width 30";
}

INSTANTIATE_TEST_SUITE_P(
    Rates, DecodeLtcAtRate,
    ::testing::Values(RateCase{{24, 44100}, {24, 1}}, RateCase{{25, 44100}, {25, 1}},
                      RateCase{{30000.0 / 1001, 44100}, {30000, 1001}},
                      RateCase{{30, 44100}, {30, 1}}),
    [](const auto& param_info) {
        return "fps" + std::to_string(int(param_info.param.rate.fps * 100));
    });

TEST(DecodeLtc, DropFrameSkipsFramesZeroAndOneWithSemicolons)
{
    const LtcSignal ltc = make_ltc({30000.0 / 1001, 44100}, 10, 0, 0, 59, 26);
    ASSERT_EQ(ltc.text[3], "00;00;59;29");
    EXPECT_EQ(ltc.text[4], "00;01;00;02");
    EXPECT_EQ(decode(default_window(ltc, 3), {30000, 1001}), "00;00;59;29");
    EXPECT_EQ(decode(default_window(ltc, 4), {30000, 1001}), "00;01;00;02");
    EXPECT_EQ(decode(default_window(ltc, 4), {30000, 1001}).size(), 11u);
}

TEST(DecodeLtc, NothingDecodableLeavesTheZeroText)
{
    const LtcSignal ltc = make_ltc({25, 44100}, 10, 1, 2, 3, 4);
    const std::vector<uint8_t> window = default_window(ltc, 5);
    const std::string zero = "00:00:00:00 ";

    TimecodeText text;
    decode_ltc_text(nullptr, 1000, 25, 1, text); // no samples
    EXPECT_EQ(std::string(text.chars), zero);
    decode_ltc_text(window.data(), 0, 25, 1, text); // a count of 0
    EXPECT_EQ(std::string(text.chars), zero);
    EXPECT_EQ(text.chars[12], '\0');

    EXPECT_EQ(decode(std::vector<uint8_t>(8820, 128), {25, 1}), zero);          // silence
    EXPECT_EQ(decode(ltc.frames(2, 1), {25, 1}), zero);                         // one frame cut short
    EXPECT_EQ(decode(window, {25, 0}), zero);      // time step 0
    EXPECT_EQ(decode(window, {25, -1}), zero);     // negative time step
    EXPECT_EQ(decode(window, {25, 26}), zero);     // fps 0
    EXPECT_EQ(decode(window, {44101, 1}), zero);   // fps above 44100

    // One decoded frame overwrites exactly 11 characters and ends the text there.
    EXPECT_EQ(decode(window, {25, 1}), "01:02:03:09");
}

// Silence before the signal: the decoder needs the frame before to lock on,
// so the first LTC frame of all never shows.
TEST(DecodeLtc, WindowStartingBeforeTheSignal)
{
    const LtcSignal ltc = make_ltc({25, 44100}, 10, 10, 0, 0, 0);
    EXPECT_EQ(decode(default_window(ltc, 0), {25, 1}), "00:00:00:00 ");
    EXPECT_EQ(decode(default_window(ltc, 1), {25, 1}), "10:00:00:01");
    EXPECT_EQ(decode(default_window(ltc, 2), {25, 1}), "10:00:00:02");
}
