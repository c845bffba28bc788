// The audio window, and what the effect shows for the LTC in it, including
// when it cannot trust what libltc reads: windows that start on an LTC
// frame's first edge or after digital silence, noise, LTC at another rate
// than the picture's. LTC comes from the host's generator and reaches the
// decoder as the host's check-out cuts it (44.1 kHz, 8-bit, mono).
#include <gtest/gtest.h>

#include <ltc.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "LayerAudio.h"
#include "RenderFixture.h"
#include "overlay/TimecodeDecoder.h"

namespace {

const std::string kZero = "00:00:00:00 ";

struct TimeBase {
    A_u_long scale;
    A_long step;
    double fps() const { return double(scale) / step; }
};
const TimeBase k23976{24000, 1001}, k24{24, 1}, k25{25, 1}, k2997{30000, 1001}, k30{30, 1};
const TimeBase kRates[] = {k23976, k24, k25, k2997, k30};

// The timecode after tc, counting as an LTC generator does at whole_fps.
standin::Timecode next(standin::Timecode tc, int whole_fps)
{
    if (++tc.frames == whole_fps) {
        tc.frames = 0;
        if (++tc.seconds == 60) {
            tc.seconds = 0;
            if (++tc.minutes == 60) {
                tc.minutes = 0;
                tc.hours = (tc.hours + 1) % 24;
            }
        }
    }
    if (tc.drop_frame && tc.seconds == 0 && tc.frames < 2 && tc.minutes % 10 != 0)
        tc.frames = 2;
    return tc;
}

std::string text_of(const standin::Timecode& tc)
{
    char text[16];
    std::snprintf(text, sizeof text, tc.drop_frame ? "%02d;%02d;%02d;%02d" : "%02d:%02d:%02d:%02d", tc.hours,
                  tc.minutes, tc.seconds, tc.frames);
    return text;
}

// A timecode LTC can carry: digits in range, a frame number below 30, and no
// number that drop-frame counting skips.
bool is_possible(const std::string& text)
{
    int h, m, s, f;
    char sep;
    if (text.size() != 11 || std::sscanf(text.c_str(), "%2d%*c%2d%*c%2d%c%2d", &h, &m, &s, &sep, &f) != 5)
        return false;
    return h < 24 && m < 60 && s < 60 && f < 30 && !(sep == ';' && s == 0 && f < 2 && m % 10 != 0);
}

std::string shown(const std::vector<uint8_t>& samples, TimeBase base)
{
    TimecodeText text;
    decode_ltc_text(samples.data(), A_long(samples.size()), base.scale, base.step, text);
    return text.chars;
}

// What the effect showed before it checked what libltc reads: the last frame
// the decoder returns, and that frame's bit length in samples.
std::string last_read(const std::vector<uint8_t>& samples, TimeBase base, double* bit = nullptr)
{
    std::string text = kZero;
    LTCDecoder* decoder = ltc_decoder_create(ltc_samples_per_frame(base.scale, base.step), 16);
    std::vector<uint8_t> copy = samples;
    ltc_decoder_write(decoder, copy.data(), copy.size(), 0);
    LTCFrameExt frame;
    while (ltc_decoder_read(decoder, &frame)) {
        SMPTETimecode time;
        ltc_frame_to_time(&time, &frame.ltc, LTC_USE_DATE);
        text = text_of({time.hours, time.mins, time.secs, time.frame, frame.ltc.dfbit != 0});
        if (bit) {
            double tics = 0;
            for (float t : frame.biphase_tics)
                tics += t;
            *bit = tics / 80;
        }
    }
    ltc_decoder_free(decoder);
    return text;
}

// 8-bit LTC at 44.1 kHz from libltc's encoder at fps, counting up from start
// with the drop-frame flag as given; `raw` repeats start's frame as it is,
// with a number that drop-frame counting skips too.
std::vector<uint8_t> encoded(double fps, int h, int m, int s, int f, bool flag, int frames, bool raw = false)
{
    std::unique_ptr<LTCEncoder, void (*)(LTCEncoder*)> encoder(
        ltc_encoder_create(44100, fps, fps == 25 ? LTC_TV_625_50 : LTC_TV_525_60, 0), ltc_encoder_free);
    LTCFrame frame;
    ltc_encoder_get_frame(encoder.get(), &frame);
    frame.dfbit = flag && !raw;
    ltc_encoder_set_frame(encoder.get(), &frame);
    SMPTETimecode start{};
    std::strcpy(start.timezone, "+0000");
    start.hours = (unsigned char)h, start.mins = (unsigned char)m, start.secs = (unsigned char)s;
    start.frame = (unsigned char)f;
    ltc_encoder_set_timecode(encoder.get(), &start);
    ltc_encoder_get_frame(encoder.get(), &frame);
    frame.dfbit = flag;
    ltc_encoder_set_frame(encoder.get(), &frame);
    std::vector<uint8_t> samples;
    for (int i = 0; i < frames; ++i) {
        ltc_encoder_encode_frame(encoder.get());
        ltcsnd_sample_t* buffer = nullptr;
        const int n = ltc_encoder_get_bufferptr(encoder.get(), &buffer, 1);
        samples.insert(samples.end(), buffer, buffer + n);
        if (!raw)
            ltc_encoder_inc_timecode(encoder.get());
    }
    return samples;
}

// Gaussian noise from a seeded generator whose sequence the standard fixes.
class Noise {
public:
    explicit Noise(unsigned seed) : random_(seed) {}
    double next()
    {
        const double u1 = (double(random_()) + 1.0) / 4294967296.0, u2 = double(random_()) / 4294967296.0;
        return std::sqrt(-2.0 * std::log(u1)) * std::cos(6.283185307179586 * u2);
    }

private:
    std::mt19937 random_;
};

standin::Timecode start_for(TimeBase base)
{
    // Drop-frame: the stretch crosses 11:01:00, whose ;00 and ;01 are skipped.
    return base.scale == 30000 ? standin::Timecode{11, 0, 57, 0, true} : standin::Timecode{11, 0, 0, 0, false};
}

struct Layer {
    TimeBase picture;           // the layer's time base
    TimeBase ltc;               // the LTC's rate
    double sample_rate = 48000; // of the audio the layer holds
    double shift = 0;           // digital silence before the LTC, in video frames
    double snr_db = 0;          // 0: clean
    unsigned seed = 1;
    bool parity = true;
    standin::Timecode start = start_for(ltc);
};

// A layer's LTC, the windows the host cuts from it, and what it carries.
class LtcLayer {
public:
    LtcLayer(const Layer& layer, long video_frames) : layer_(layer)
    {
        standin::LtcSpec spec;
        spec.fps_num = layer.ltc.scale;
        spec.fps_den = unsigned(layer.ltc.step);
        spec.start = layer.start;
        spec.sample_rate = layer.sample_rate;
        spec.frames = long((video_frames + 4) * per_video()) + 2;
        spec.parity = layer.parity;
        standin::AudioClip clip = standin::generate_ltc(spec);
        const long lead = std::lround(layer.shift * layer.sample_rate / layer.picture.fps());
        clip.samples.insert(clip.samples.begin(), std::size_t(lead), 0.0f);
        if (layer.snr_db != 0) {
            double power = 0;
            for (float v : clip.samples)
                power += double(v) * v;
            const double deviation = std::sqrt(power / double(clip.samples.size()) / std::pow(10.0, layer.snr_db / 10));
            Noise noise(layer.seed);
            for (float& v : clip.samples)
                v = float(v + deviation * noise.next());
        }
        audio_.set_clip(std::move(clip));
        standin::Timecode tc = layer.start;
        for (long k = 0; k < spec.frames; ++k, tc = next(tc, int(std::lround(layer.ltc.fps()))))
            codes_.push_back(text_of(tc));
    }

    // The samples of video frame n's window.
    std::vector<uint8_t> window(long n, A_long width, A_long offset = 0)
    {
        const A_long step = layer_.picture.step;
        const AudioWindow span = audio_window(A_long(n * step), step, offset, width);
        standin::AudioRequest request;
        request.start = A_long(span.start);
        request.duration = A_long(span.duration);
        request.time_scale = layer_.picture.scale;
        request.rate = 0xAC440000; // 44100.0
        const standin::AudioWindow cut = audio_.window(request);
        return {cut.bytes.begin(), cut.bytes.end()};
    }
    std::string shown(long n, A_long width) { return ::shown(window(n, width), layer_.picture); }

    // The code of the last LTC frame that ends before video frame n's window
    // (offset 0) does; "" when one ends within 0.015 of a frame of its end.
    std::string own_code(long n) const
    {
        const double end = (n + 2 - layer_.shift) * per_video(), past = end - std::round(end);
        if (past != 0 && std::abs(past) < 0.015)
            return "";
        const long k = long(std::floor(end - 1e-9)) - 1;
        return k >= 0 && k < long(codes_.size()) ? codes_[std::size_t(k)] : kZero;
    }

private:
    double per_video() const { return layer_.ltc.fps() / layer_.picture.fps(); }

    Layer layer_;
    standin::LayerAudio audio_;
    std::vector<std::string> codes_;
};

std::string where(const Layer& l, long n)
{
    char text[120];
    std::snprintf(text, sizeof text, "picture %.3f, LTC %.3f at %.0f Hz, shift %.3f, snr %.0f seed %u, frame %ld",
                  l.picture.fps(), l.ltc.fps(), l.sample_rate, l.shift, l.snr_db, l.seed, n);
    return text;
}

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
        {2147483647 - 2, 1, 0, 1, 2147483645, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("t " + std::to_string(c.t) + " offset " + std::to_string(c.offset));
        const AudioWindow w = audio_window(c.t, c.s, c.offset, c.width);
        EXPECT_EQ(w.start, c.start);
        EXPECT_EQ(w.duration, c.duration);
        EXPECT_TRUE(w.fits());
    }
    // Offsets near the slider's bounds leave 32 bits: no check-out then.
    EXPECT_FALSE(audio_window(0, 1001, 1000000000, 4).fits());
    EXPECT_FALSE(audio_window(0, 1001, -1000000000, 4).fits());
    EXPECT_FALSE(audio_window(0, 2147483647, 0, 1).fits()); // the duration alone
}

TEST(SamplesPerFrame, CommonTimeBasesAndUnusableOnes)
{
    const struct {
        A_u_long scale;
        A_long step, expected;
    } cases[] = {{24, 1, 1837}, {25, 1, 1764}, {30000, 1001, 1520} /* fps 29 */, {30, 1, 1470}, {50, 1, 882},
                 {60000, 1001, 747}, {44100, 1, 1}, {25, 0, 0}, {25, -1, 0}, {25, 26, 0} /* fps 0 */,
                 {44101, 1, 0}, {0, 1, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(ltc_samples_per_frame(c.scale, c.step), c.expected) << c.scale << "/" << c.step;
}

TEST(DecodeLtc, OffsetAndWidthMoveTheWindow)
{
    LtcLayer ltc({k25, k25, 44100, 0, 0, 1, true, {1, 2, 3, 4}}, 40);
    EXPECT_EQ(::shown(ltc.window(3, 4), k25), "01:02:03:07") << "from the clip's start";
    EXPECT_EQ(::shown(ltc.window(20, 4, -2), k25), "01:02:03:22") << "offset -2";
    EXPECT_EQ(ltc.shown(20, 1), "01:02:03:24") << "width 1";
    // More complete frames than the decoder's queue of 16: still the last one.
    EXPECT_EQ(ltc.shown(34, 30), "01:02:04:13") << "width 30";

    TimecodeText text;
    decode_ltc_text(nullptr, 1000, 25, 1, text); // no samples
    const std::vector<uint8_t> window = ltc.window(5, 4);
    decode_ltc_text(window.data(), 0, 25, 1, text); // a count of 0
    EXPECT_EQ(text.chars, kZero);
    EXPECT_EQ(text.chars[12], '\0');
    EXPECT_EQ(::shown(std::vector<uint8_t>(window.begin(), window.begin() + 1764), k25), kZero)
        << "one frame, cut short";
    // A decoded frame overwrites exactly 11 characters and ends the text there.
    EXPECT_EQ(::shown(window, k25), "01:02:03:09");
}

// Width 1 with LTC aligned with the picture: the window starts within a sample
// of an LTC frame's first edge, where a fresh decoder can drop the frame's
// first bits and still find its sync word; with and without the parity bit,
// which some generators leave unset.
TEST(LtcTrust, WidthOneOnAnLtcFrameEdgeShowsItsOwnCode)
{
    for (const TimeBase base : kRates)
        for (const double rate : {44100.0, 48000.0})
            for (const bool parity : {true, false}) {
                const Layer layer{base, base, rate, 0, 0, 1, parity};
                LtcLayer ltc(layer, parity ? 240 : 60);
                for (long n = 1; n < (parity ? 240 : 60); ++n)
                    ASSERT_EQ(ltc.shown(n, 1), ltc.own_code(n)) << where(layer, n) << " parity " << parity;
            }
}

TEST(LtcTrust, WidthOneWithLtcShiftedByFractionsOfAFrame)
{
    for (const TimeBase base : kRates)
        for (const double shift : {0.02, 0.1, 0.25, 0.5, 0.75, 0.9, 0.98}) {
            const Layer layer{base, base, shift < 0.3 ? 48000.0 : 44100.0, shift};
            LtcLayer ltc(layer, 40);
            for (long n = 1; n < 40; ++n)
                EXPECT_EQ(ltc.shown(n, 1), ltc.own_code(n)) << where(layer, n);
        }
}

// The default window on LTC at every rate under layers of every rate, the
// 50 and 59.94 fps layers carrying LTC at half their rate; LTC at another
// rate is shifted by half a frame, away from the window's end for a while.
TEST(LtcTrust, DefaultWindowShowsLtcAtAnyRateUnderAnyLayer)
{
    std::vector<Layer> layers{{{50, 1}, k25}, {{60000, 1001}, k2997}};
    for (const TimeBase picture : kRates)
        for (const TimeBase ltc : kRates)
            layers.push_back({picture, ltc, 48000, picture.fps() == ltc.fps() ? 0 : 0.5});
    for (const Layer& layer : layers) {
        LtcLayer ltc(layer, 40);
        int judged = 0;
        for (long n = 4; n < 40; ++n)
            if (const std::string own = ltc.own_code(n); !own.empty()) {
                EXPECT_EQ(ltc.shown(n, 4), own) << where(layer, n);
                ++judged;
            }
        EXPECT_GE(judged, 30) << where(layer, 0);
    }
}

// LTC that begins after digital silence, a little into the window (the
// resampler rings before its first edge at 48 kHz), or three frames in (the
// default window of the clip's first frame): its first frame shows.
TEST(LtcTrust, FirstFrameAfterDigitalSilenceShowsItsOwnCode)
{
    for (const TimeBase base : kRates)
        for (const double rate : {44100.0, 48000.0})
            for (int units = 0; units <= 10; ++units) {
                Layer layer{base, base, rate, 0.002 * units};
                layer.start.frames = units % 10;
                LtcLayer ltc(layer, 4);
                EXPECT_EQ(ltc.shown(0, 1), text_of(layer.start)) << where(layer, 0);
                EXPECT_EQ(ltc.shown(0, 4), text_of(layer.start)) << where(layer, 0) << ", width 4";
            }
}

// 10 dB SNR: libltc reads impossible codes; none is shown, and no frame that
// was right turns wrong.
TEST(LtcTrust, NoisyLtcShowsNoImpossibleCode)
{
    struct Case {
        TimeBase base;
        A_long width;
        unsigned seed;
    } cases[] = {{k25, 4, 1}, {k2997, 4, 2}, {k24, 1, 3}, {k30, 1, 4}};
    for (const Case& c : cases) {
        const Layer layer{c.base, c.base, 48000, 0, 10, c.seed};
        LtcLayer ltc(layer, 300);
        int right = 0, right_before = 0, wrong = 0, wrong_before = 0;
        for (long n = c.width; n < 300; ++n) {
            const std::vector<uint8_t> samples = ltc.window(n, c.width);
            const std::string own = ltc.own_code(n), now = ::shown(samples, c.base), read = last_read(samples, c.base);
            right += now == own;
            right_before += read == own;
            wrong += now != own && now != kZero;
            wrong_before += read != own && read != kZero;
            EXPECT_TRUE(now == kZero || is_possible(now)) << where(layer, n) << " shows " << now;
        }
        EXPECT_GE(right, right_before) << where(layer, 0);
        EXPECT_LE(wrong, wrong_before) << where(layer, 0);
    }
}

// Frames that no LTC under the layer carries: impossible numbers, and LTC
// at the rate of a 60 fps layer rather than half of it.
TEST(LtcTrust, ImpossibleOrUncarriedLtcShowsZeros)
{
    const struct {
        double fps;
        TimeBase layer;
        int h, m, s, f;
        bool flag;
        std::string expected;
    } cases[] = {
        {25, k25, 10, 20, 30, 4, false, "10:20:30:04"}, {25, k25, 10, 65, 30, 4, false, kZero},
        {30, k30, 10, 20, 30, 30, false, kZero},        {29.97, k2997, 10, 1, 0, 0, true, kZero},
        {29.97, k2997, 10, 10, 0, 0, true, "10;10;00;00"}, {60, {60, 1}, 10, 20, 30, 4, false, kZero},
    };
    for (const auto& c : cases)
        EXPECT_EQ(::shown(encoded(c.fps, c.h, c.m, c.s, c.f, c.flag, 5, true), c.layer), c.expected)
            << c.fps << " fps LTC of " << c.h << ":" << c.m << ":" << c.s << ":" << c.f << " flag " << c.flag;
}

// Semicolons follow the drop-frame flag that the LTC itself carries, not the
// frame rate: 29.97 without the flag reads with colons, 30 with it with
// semicolons. Video frame 10 of LTC that starts at 01:02:03:04, rendered.
class DropFrameFlag : public RenderTest {};

TEST_F(DropFrameFlag, BurnsTheSeparatorsTheLtcAsksFor)
{
    for (const TimeBase base : {k2997, k30})
        for (const bool flag : {false, true}) {
            SCOPED_TRACE("fps " + std::to_string(base.fps()) + (flag ? " flagged" : ""));
            standin::AudioClip clip;
            clip.rate = 44100;
            for (uint8_t v : encoded(base.fps(), 1, 2, 3, 4, flag, 40))
                clip.samples.push_back((float(v) - 128.0f) / 128.0f);
            host.layer_audio().set_clip(clip);
            request.time_scale = base.scale;
            request.time_step = base.step;
            standin::World out;
            ASSERT_EQ(render(10, out), PF_Err_NONE);
            const TextSpec expected{.text = flag ? "01;02;03;14" : "01:02:03:14", .x = 20, .y = 50};
            EXPECT_TRUE(SameFrame(reference_layer(expected, kWidth, kHeight, false).def(), out.def()));
        }
    ExpectBalanced();
}

// Windows, found by a scan, on which libltc and the window read inverted
// disagree about the frame read while the decoder locked on: noisy (9 and
// 10 dB SNR), and 8 kHz LTC without the parity bit, width 1.
TEST(LtcTrust, WindowsWhoseReadingsDisagree)
{
    const struct {
        Layer layer;
        long frame;
        bool own;       // its own code, else zeros
        long clip = 60; // the scan's length: the noise's level follows the clip's
    } cases[] = {
        {{k24, k24, 48000, 0, 9, 2}, 34, false},   // both readings lost leading bits
        {{k24, k24, 48000, 0, 9, 2}, 54, false},   // both lost bits; libltc's shows 11:00:01:08
        {{k25, k25, 48000, 0, 9, 7}, 21, false},   // both whole and differing, starts within two samples
        {{k2997, k2997, 48000, 0, 9, 4}, 51, true}, // both whole and differing: the earlier start wins
        {{k24, k24, 48000, 0, 9, 3}, 7, true},     // whole, its first edge a little before the window
        {{k25, k25, 8000, 1 / 6.0, 0, 1, false}, 3, true}, // begins 4 to 16 bits into the window
        {{k24, k24, 48000, 0, 10, 1}, 265, false, 300},    // starts on a noisy edge, read from it
    };
    for (const auto& c : cases) {
        LtcLayer ltc(c.layer, c.clip);
        EXPECT_EQ(ltc.shown(c.frame, 1), c.own ? ltc.own_code(c.frame) : kZero) << where(c.layer, c.frame);
    }
}

TEST(LtcTrust, NoiseAndSilenceShowZeros)
{
    EXPECT_EQ(::shown(std::vector<uint8_t>(8820, 128), k25), kZero);

    // White noise at -35 dBFS in which libltc reads a possible code, at a few
    // samples a bit where LTC has about 18 to 23.
    std::vector<uint8_t> faint(8820);
    Noise faint_noise(1793);
    for (uint8_t& v : faint)
        v = uint8_t(std::clamp(std::lround(128 + 128 * std::pow(10, -35 / 20.0) * faint_noise.next()), 0L, 255L));
    for (const TimeBase base : {k25, k2997}) {
        double bit = 0;
        EXPECT_TRUE(is_possible(last_read(faint, base, &bit))) << "the scan's window no longer makes a frame";
        EXPECT_LT(bit, 6);
        EXPECT_EQ(::shown(faint, base), kZero) << "fps " << base.fps();
    }

    // Noise, white and band-limited, at the level of loud LTC.
    for (const double smoothing : {1.0, 0.3}) {
        Noise noise(smoothing < 1 ? 7 : 8);
        std::vector<uint8_t> samples(44100 * 10);
        double level = 0;
        for (uint8_t& v : samples) {
            level += smoothing * (noise.next() - level);
            v = uint8_t(std::clamp(std::lround(128 + 60 * level), 0L, 255L));
        }
        for (const TimeBase base : {k25, k2997}) {
            const long window = 5 * ltc_samples_per_frame(base.scale, base.step);
            for (long at = 0; at + window <= long(samples.size()); at += window / 5) {
                const std::vector<uint8_t> part(samples.begin() + at, samples.begin() + at + window);
                EXPECT_EQ(::shown(part, base), kZero) << "fps " << base.fps() << " at sample " << at;
            }
        }
    }
}

