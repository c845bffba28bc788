// What the effect shows when it cannot trust what libltc reads: windows that
// start on an LTC frame's first edge, noise, and LTC that other generators
// make. LTC comes from the host's generator and reaches the decoder as the
// host's check-out cuts it (44.1 kHz, 8-bit, mono).
#include <gtest/gtest.h>

#include <ltc.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "LayerAudio.h"
#include "LtcSignal.h"
#include "overlay/TimecodeDecoder.h"

namespace {

const std::string kZero = "00:00:00:00 ";

struct TimeBase {
    A_u_long scale;
    A_long step;
    double fps() const { return double(scale) / step; }
};

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

struct Layer {
    TimeBase picture;           // the layer's time base
    TimeBase ltc;               // the LTC's rate
    double sample_rate = 48000; // of the audio the layer holds
    standin::Timecode start{11, 0, 0, 0, false};
    double shift = 0;     // LTC starts this many video frames after the picture
    double snr_db = 0;    // 0: clean
    unsigned seed = 1;
    bool parity = true;
};

// A layer's LTC, the windows the host cuts from it, and what it carries.
class LtcLayer {
public:
    LtcLayer(const Layer& layer, long video_frames) : layer_(layer)
    {
        const double ltc_per_video = layer.ltc.fps() / layer.picture.fps();
        standin::LtcSpec spec;
        spec.fps_num = layer.ltc.scale;
        spec.fps_den = unsigned(layer.ltc.step);
        spec.start = layer.start;
        spec.sample_rate = layer.sample_rate;
        spec.frames = long((video_frames + 4) * ltc_per_video) + 2;
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

        const int whole_fps = int(std::lround(layer.ltc.fps()));
        standin::Timecode tc = layer.start;
        for (long k = 0; k < spec.frames; ++k, tc = next(tc, whole_fps))
            codes_.push_back(text_of(tc));
    }

    // The samples of video frame n's window at the given width, offset 0.
    std::vector<uint8_t> window(long n, A_long width)
    {
        const A_long step = layer_.picture.step;
        const AudioWindow span = audio_window(A_long(n * step), step, 0, width);
        standin::AudioRequest request;
        request.start = A_long(span.start);
        request.duration = A_long(span.duration);
        request.time_scale = layer_.picture.scale;
        request.rate = 0xAC440000; // 44100.0
        const standin::AudioWindow cut = audio_.window(request);
        return {cut.bytes.begin(), cut.bytes.end()};
    }

    std::string shown(const std::vector<uint8_t>& samples) const
    {
        TimecodeText text;
        decode_ltc_text(samples.data(), A_long(samples.size()), layer_.picture.scale, layer_.picture.step, text);
        return text.chars;
    }

    // What the effect showed before it checked what libltc reads: the last
    // frame the decoder returns.
    std::string last_read(const std::vector<uint8_t>& samples) const
    {
        std::string text = kZero;
        LTCDecoder* decoder = ltc_decoder_create(ltc_samples_per_frame(layer_.picture.scale, layer_.picture.step), 16);
        std::vector<uint8_t> copy = samples;
        ltc_decoder_write(decoder, copy.data(), copy.size(), 0);
        LTCFrameExt frame;
        while (ltc_decoder_read(decoder, &frame)) {
            SMPTETimecode time;
            ltc_frame_to_time(&time, &frame.ltc, LTC_USE_DATE);
            text = text_of({time.hours, time.mins, time.secs, time.frame, frame.ltc.dfbit != 0});
        }
        ltc_decoder_free(decoder);
        return text;
    }

    // The code of the last LTC frame that lies whole in video frame n's
    // window of width 1 and ends before it does.
    std::string own_code(long n) const
    {
        const double ltc_per_video = layer_.ltc.fps() / layer_.picture.fps();
        const long k = long(std::floor((n + 2 - layer_.shift) * ltc_per_video - 0.01)) - 1;
        return k >= 0 && k < long(codes_.size()) ? codes_[std::size_t(k)] : "none";
    }

private:
    Layer layer_;
    standin::LayerAudio audio_;
    std::vector<std::string> codes_;
};

struct Tally {
    int right = 0, zero = 0, other = 0;
    std::string first_other;
    void add(const std::string& shown, const std::string& own)
    {
        if (shown == own)
            ++right;
        else if (shown == kZero)
            ++zero;
        else if (other++ == 0)
            first_other = shown + " instead of " + own;
    }
};

const TimeBase kRates[] = {{24000, 1001}, {24, 1}, {25, 1}, {30000, 1001}, {30, 1}};

standin::Timecode start_for(TimeBase base)
{
    // Drop-frame: the stretch crosses 11:01:00, whose ;00 and ;01 are skipped.
    return base.step == 1001 && base.scale == 30000 ? standin::Timecode{11, 0, 57, 0, true}
                                                    : standin::Timecode{11, 0, 0, 0, false};
}

} // namespace

// Width 1 with LTC aligned with the picture: the window starts within a sample
// of an LTC frame's first edge, where a fresh decoder can drop the frame's
// first bits and still find its sync word.
TEST(LtcTrust, WidthOneOnAnLtcFrameEdgeShowsItsOwnCode)
{
    for (const TimeBase base : kRates)
        for (const double rate : {44100.0, 48000.0}) {
            Layer layer{base, base, rate, start_for(base)};
            LtcLayer ltc(layer, 240);
            Tally now;
            int right_before = 0, kept = 0;
            for (long n = 1; n < 240; ++n) {
                const std::vector<uint8_t> samples = ltc.window(n, 1);
                const std::string own = ltc.own_code(n), shown = ltc.shown(samples);
                now.add(shown, own);
                if (ltc.last_read(samples) == own) {
                    ++right_before;
                    kept += shown == own;
                }
            }
            const std::string where = "fps " + std::to_string(base.fps()) + " at " + std::to_string(int(rate)) + " Hz";
            EXPECT_EQ(now.other, 0) << where << ": " << now.first_other;
            EXPECT_EQ(kept, right_before) << where;
            // Read inverted too, every frame shows its own code.
            EXPECT_EQ(now.right, 239) << where;
        }
}

TEST(LtcTrust, WidthOneWithLtcShiftedByFractionsOfAFrame)
{
    for (const TimeBase base : kRates)
        for (const double shift : {0.02, 0.1, 0.25, 0.5, 0.75, 0.9, 0.98}) {
            const double rate = shift < 0.3 ? 48000 : 44100;
            LtcLayer ltc({base, base, rate, start_for(base), shift}, 40);
            for (long n = 1; n < 40; ++n)
                EXPECT_EQ(ltc.shown(ltc.window(n, 1)), ltc.own_code(n))
                    << "fps " << base.fps() << " shift " << shift << " video frame " << n;
        }
}

// The default window on clean LTC: every frame as it was, its own code.
TEST(LtcTrust, DefaultWindowOnCleanLtcIsUnchanged)
{
    for (const TimeBase base : kRates) {
        LtcLayer ltc({base, base, 48000, start_for(base)}, 100);
        for (long n = 4; n < 100; ++n) {
            const std::vector<uint8_t> samples = ltc.window(n, 4);
            const std::string shown = ltc.shown(samples);
            EXPECT_EQ(shown, ltc.last_read(samples)) << "fps " << base.fps() << " video frame " << n;
            EXPECT_EQ(shown, ltc.own_code(n)) << "fps " << base.fps() << " video frame " << n;
        }
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
    } cases[] = {{{25, 1}, 4, 1}, {{30000, 1001}, 4, 2}, {{24, 1}, 1, 3}, {{30, 1}, 1, 4}};
    for (const Case& c : cases) {
        LtcLayer ltc({c.base, c.base, 48000, start_for(c.base), 0, 10, c.seed}, 300);
        Tally now, before;
        int impossible_before = 0;
        for (long n = c.width; n < 300; ++n) {
            const std::vector<uint8_t> samples = ltc.window(n, c.width);
            const std::string own = ltc.own_code(n); // the default window ends where width 1 does
            const std::string shown = ltc.shown(samples), read = ltc.last_read(samples);
            now.add(shown, own);
            before.add(read, own);
            impossible_before += read != kZero && !is_possible(read);
            EXPECT_TRUE(shown == kZero || is_possible(shown))
                << "fps " << c.base.fps() << " video frame " << n << " shows " << shown;
        }
        EXPECT_GE(now.right, before.right) << "fps " << c.base.fps() << " width " << c.width;
        EXPECT_LE(now.other, before.other) << "fps " << c.base.fps() << " width " << c.width;
        std::printf("fps %.3f width %d: right %d (before %d), zero %d, other %d (before %d, %d impossible)\n",
                    c.base.fps(), c.width, now.right, before.right, now.zero, now.other, before.other,
                    impossible_before);
    }
}

// LTC at another rate than the picture's is common: frame numbers up to 29
// under a 25 fps layer, 29.97 drop-frame under 23.976.
TEST(LtcTrust, LtcAtAnotherRateThanThePictureDecodesAsBefore)
{
    const struct {
        TimeBase picture, ltc;
    } cases[] = {{{25, 1}, {30, 1}}, {{24000, 1001}, {30000, 1001}}};
    for (const auto& c : cases)
        for (const A_long width : {4, 1}) {
            LtcLayer ltc({c.picture, c.ltc, 48000, start_for(c.ltc), 0.3}, 120);
            int shown_codes = 0;
            for (long n = width + 1; n < 120; ++n) {
                const std::vector<uint8_t> samples = ltc.window(n, width);
                const std::string shown = ltc.shown(samples);
                EXPECT_EQ(shown, ltc.last_read(samples)) << "picture " << c.picture.fps() << " frame " << n;
                shown_codes += shown != kZero;
                if (width == 1) {
                    EXPECT_EQ(shown, ltc.own_code(n)) << "picture " << c.picture.fps() << " frame " << n;
                }
            }
            EXPECT_EQ(shown_codes, 120 - width - 1) << "picture " << c.picture.fps() << " width " << width;
        }
}

// Some generators leave the biphase mark correction bit unset: their LTC
// decodes as before.
TEST(LtcTrust, LtcWithoutTheParityBitDecodesAsBefore)
{
    for (const TimeBase base : {TimeBase{25, 1}, TimeBase{30000, 1001}, TimeBase{24, 1}}) {
        Layer layer{base, base, 48000, start_for(base)};
        layer.parity = false;
        LtcLayer ltc(layer, 100);
        for (long n = 4; n < 100; ++n) {
            const std::vector<uint8_t> samples = ltc.window(n, 4);
            EXPECT_EQ(ltc.shown(samples), ltc.own_code(n)) << "fps " << base.fps() << " video frame " << n;
        }
        for (long n = 1; n < 100; ++n) // width 1 on the frame edge
            EXPECT_EQ(ltc.shown(ltc.window(n, 1)), ltc.own_code(n)) << "fps " << base.fps() << " video frame " << n;
    }
}

TEST(LtcTrust, PureNoiseAndSilenceShowZeros)
{
    const std::vector<uint8_t> silence(8820, 128);
    TimecodeText text;
    decode_ltc_text(silence.data(), A_long(silence.size()), 25, 1, text);
    EXPECT_EQ(std::string(text.chars), kZero);

    // Noise, white and band-limited, at the level of loud LTC.
    for (const double smoothing : {1.0, 0.3}) {
        Noise noise(smoothing < 1 ? 7 : 8);
        std::vector<uint8_t> samples(44100 * 10);
        double level = 0;
        for (uint8_t& v : samples) {
            level += smoothing * (noise.next() - level);
            v = uint8_t(std::clamp(std::lround(128 + 60 * level), 0L, 255L));
        }
        for (const TimeBase base : {TimeBase{25, 1}, TimeBase{30000, 1001}}) {
            const long window = 5 * ltc_samples_per_frame(base.scale, base.step);
            for (long at = 0; at + window <= long(samples.size()); at += window / 5) {
                TimecodeText shown;
                decode_ltc_text(samples.data() + at, A_long(window), base.scale, base.step, shown);
                EXPECT_EQ(std::string(shown.chars), kZero) << "fps " << base.fps() << " at sample " << at;
            }
        }
    }
}
