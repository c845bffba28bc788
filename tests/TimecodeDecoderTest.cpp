#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "LtcSignal.h"
#include "overlay/TimecodeDecoder.h"

namespace {

struct TimeBase {
    A_u_long scale;
    A_long step;
};

// LTC from the host's generator at 44.1 kHz, back in the 8-bit form the
// encoder made, cut into windows the way the host cuts a check-out.
class Ltc {
public:
    Ltc(TimeBase base, standin::Timecode start, long frames = 80) : base_(base)
    {
        standin::LtcSpec spec;
        spec.fps_num = base.scale;
        spec.fps_den = unsigned(base.step);
        spec.start = start;
        spec.sample_rate = 44100;
        spec.frames = frames;
        for (float v : standin::generate_ltc(spec).samples)
            samples_.push_back(uint8_t(std::lround(v * 128.0f + 128.0f)));
    }

    // The samples of `frames` frame durations from video frame `first` on;
    // silence before the signal.
    std::vector<uint8_t> window(long first, long frames) const
    {
        const long long begin = sample_at(first), end = sample_at(first + frames);
        std::vector<uint8_t> out;
        for (long long i = begin; i < end; ++i)
            out.push_back(i >= 0 && i < (long long)samples_.size() ? samples_[std::size_t(i)] : 128);
        return out;
    }

    // The default window of video frame n: width 4, offset 0.
    std::vector<uint8_t> default_window(long n) const { return window(n - 3, 5); }

    std::string decode(const std::vector<uint8_t>& samples, TimeBase base) const
    {
        TimecodeText text;
        decode_ltc_text(samples.data(), A_long(samples.size()), base.scale, base.step, text);
        return text.chars;
    }
    std::string decode(const std::vector<uint8_t>& samples) const { return decode(samples, base_); }

private:
    long long sample_at(long frame) const
    {
        return (long long)std::floor(double(frame) * base_.step * 44100.0 / base_.scale);
    }

    TimeBase base_;
    std::vector<uint8_t> samples_;
};

} // namespace

TEST(AudioWindow, FollowsOffsetAndWidthInFrames)
{
    struct Case {
        A_long t, s, offset, width;
        int64_t start, duration;
    } cases[] = {
        {7000, 1001, 0, 1, 7000, 2002},
        {7000, 1001, -2, 4, 7000 - 5005, 5005}, // ends at t
        {7000, 1001, 3, 1, 7000 + 3003, 2002},
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
    EXPECT_FALSE(audio_window(0, 2147483647, 0, 1).fits()); // the duration alone
    const AudioWindow edge = audio_window(2147483647 - 2, 1, 0, 1);
    EXPECT_TRUE(edge.fits());
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

    EXPECT_EQ(ltc_samples_per_frame(25, 0), 0);    // step 0
    EXPECT_EQ(ltc_samples_per_frame(25, -1), 0);   // a negative step
    EXPECT_EQ(ltc_samples_per_frame(25, 26), 0);   // fps 0
    EXPECT_EQ(ltc_samples_per_frame(44101, 1), 0); // fps above 44100
    EXPECT_EQ(ltc_samples_per_frame(0, 1), 0);
}

// The default window at every rate: LtcTrust.DefaultWindowOnCleanLtcIsUnchanged.
TEST(DecodeLtc, OffsetAndWidthMoveTheWindow)
{
    const Ltc ltc({25, 1}, {1, 2, 3, 4});
    EXPECT_EQ(ltc.decode(ltc.default_window(3)), "01:02:03:07") << "from the clip's start";
    EXPECT_EQ(ltc.decode(ltc.window(20 - 5, 5)), "01:02:03:22") << "offset -2";
    EXPECT_EQ(ltc.decode(ltc.window(20, 2)), "01:02:03:24") << "width 1";
    // More complete frames than the decoder's queue of 16: still the last one.
    EXPECT_EQ(ltc.decode(ltc.window(5, 31)), "01:02:04:13") << "width 30";
}

TEST(DecodeLtc, NothingDecodableLeavesTheZeroText)
{
    const Ltc ltc({25, 1}, {1, 2, 3, 4}, 10);
    const std::vector<uint8_t> window = ltc.default_window(5);
    const std::string zero = "00:00:00:00 ";

    TimecodeText text;
    decode_ltc_text(nullptr, 1000, 25, 1, text); // no samples
    EXPECT_EQ(std::string(text.chars), zero);
    decode_ltc_text(window.data(), 0, 25, 1, text); // a count of 0
    EXPECT_EQ(std::string(text.chars), zero);
    EXPECT_EQ(text.chars[12], '\0');

    EXPECT_EQ(ltc.decode(std::vector<uint8_t>(8820, 128)), zero); // silence
    EXPECT_EQ(ltc.decode(ltc.window(2, 1)), zero);                // one frame, cut short

    // A decoded frame overwrites exactly 11 characters and ends the text there.
    EXPECT_EQ(ltc.decode(window), "01:02:03:09");
}

// Silence before the signal: the decoder needs the frame before to lock on,
// so the very first LTC frame never shows.
TEST(DecodeLtc, WindowStartingBeforeTheSignal)
{
    const Ltc ltc({25, 1}, {10, 0, 0, 0}, 10);
    EXPECT_EQ(ltc.decode(ltc.default_window(0)), "00:00:00:00 ");
    EXPECT_EQ(ltc.decode(ltc.default_window(1)), "10:00:00:01");
    EXPECT_EQ(ltc.decode(ltc.default_window(2)), "10:00:00:02");
}
