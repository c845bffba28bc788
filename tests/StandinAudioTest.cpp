// The stand-in host's layer audio: windows, formats, resampling, files and
// the LTC it generates, as the effect checks them out.
#include <gtest/gtest.h>
#include <ltc.h>
#include <sndfile.h>
#include <soxr.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "AudioSpans.h"
#include "CallGuard.h"
#include "TestHost.h"
#include "LtcSignal.h"

namespace {

using standin::AudioClip;
using standin::AudioRequest;

constexpr PF_UFixed k44100 = 0xAC440000;

// What the effect does: check out, read, check in, through the input record.
struct Checkout {
    PF_Err err = 0;
    PF_LayerAudio handle = nullptr;
    std::vector<unsigned char> bytes;
    A_long count = -1;
};
Checkout check_out(standin::Host& host, const AudioRequest& r)
{
    PF_InData& in = host.in_data();
    Checkout out;
    out.err = in.inter.checkout_layer_audio(in.effect_ref, 7, r.start, r.duration, r.time_scale, r.rate,
                                            r.bytes_per_sample, r.channels, r.fmt_signed, &out.handle);
    if (!out.handle)
        return out;
    PF_SndSamplePtr data = nullptr;
    PF_UFixed rate = 0;
    A_long bytes = 0, channels = 0, fmt = -1;
    out.err = in.inter.get_audio_data(in.effect_ref, out.handle, &data, &out.count, &rate, &bytes, &channels, &fmt);
    if (out.err == 0) {
        EXPECT_EQ(std::tuple(rate, bytes, channels, fmt),
                  std::tuple(r.rate, r.bytes_per_sample, r.channels, r.fmt_signed));
        if (data) // read before the check-in, which frees them
            out.bytes.assign(static_cast<unsigned char*>(data),
                             static_cast<unsigned char*>(data) + std::size_t(out.count) * bytes * channels);
    }
    EXPECT_EQ(in.inter.checkin_layer_audio(in.effect_ref, out.handle), 0);
    return out;
}

// Writes `frames` frames whose sample (i, c) is value(i, c).
template <typename Value>
void write_sound(const std::string& path, int format, int rate, int channels, long frames, Value value)
{
    SF_INFO info{0, rate, channels, format, 0, 0};
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(f, nullptr) << sf_strerror(nullptr);
    std::vector<float> samples(std::size_t(frames * channels));
    for (std::size_t k = 0; k < samples.size(); ++k)
        samples[k] = value(long(k / channels), int(k % channels));
    EXPECT_EQ(sf_writef_float(f, samples.data(), frames), frames);
    sf_close(f);
}

// A tone a channel over noise up to the Nyquist rate, peaks near 0.65.
float tone_and_noise(long i, int c, int rate)
{
    uint32_t h = uint32_t(i) * 2654435761u ^ uint32_t(c + 1) * 40503u;
    h ^= h >> 15;
    h *= 2246822519u;
    h ^= h >> 13;
    const float noise = float(h % 20001) / 10000.0f - 1.0f;
    return 0.35f * float(std::sin(2 * M_PI * 997.0 * (c + 1) * double(i) / rate)) + 0.3f * noise;
}

// The host as it was: the whole clip resampled in one pass (soxr, high
// quality, one thread), every channel, as long as soxr makes it.
std::vector<float> resampled_whole(const std::vector<float>& in, int channels, double in_rate, double out_rate)
{
    if (in_rate == out_rate)
        return in;
    const std::size_t in_frames = in.size() / std::size_t(channels);
    std::vector<float> out((std::size_t(double(in_frames) * out_rate / in_rate) + 64) * std::size_t(channels));
    std::size_t done = 0;
    const soxr_runtime_spec_t runtime = soxr_runtime_spec(1);
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
    EXPECT_EQ(soxr_oneshot(in_rate, out_rate, unsigned(channels), in.data(), in_frames, nullptr, out.data(),
                           out.size() / std::size_t(channels),
                           &done, nullptr, &quality, &runtime),
              nullptr);
    out.resize(done * std::size_t(channels));
    return out;
}

// A sample of a window as a step of its format's full scale, 0 for silence.
int64_t steps(const unsigned char* raw, A_long bytes, bool is_signed)
{
    uint32_t u = 0;
    std::memcpy(&u, raw, std::size_t(bytes));
    const int64_t s = bytes == 1 ? int8_t(u) : bytes == 2 ? int16_t(u) : int32_t(u);
    return is_signed ? s : int64_t(u) - (int64_t(1) << (8 * bytes - 1));
}

TEST(StandinAudioOnDemand, WindowsMatchTheWholeClipResampledThenCut)
{
    struct Format {
        PF_UFixed rate;
        A_long bytes, channels, fmt_signed;
        int pick; // the host's channel for one-channel requests, 0 the mix
    };
    // What the effect asks for; the first and the second channel; both, and
    // silence in a third; 32 bits; up, as is and down from the sources.
    const Format formats[] = {{k44100, 1, 1, 0, 0}, {k44100, 1, 1, 1, 1}, {k44100, 2, 1, 1, 2},
                              {k44100, 2, 3, 0, 0}, {k44100, 4, 1, 1, 0}, {k44100, 4, 2, 0, 0},
                              {48000u << 16, 2, 1, 0, 0}};
    // The clips last 3 s and 74 samples: 75 frames at 25 fps, 89.9 at 29.97,
    // and a part of a sample at the end at each rate. {start, duration, scale}
    const A_long spans[][3] = {{-3, 5, 25},  {-10, 3, 25}, {0, 1, 25},  {37, 5, 25},
                               {72, 5, 25},  {74, 1, 25},  {76, 2, 25}, {1001 * 50, 1001 * 3, 30000},
                               {1001 * 88, 1001 * 2, 30000}};
    constexpr int kChannels = 2;
    for (const auto& [source_rate, format] : {std::pair{44100, SF_FORMAT_WAV | SF_FORMAT_PCM_U8},
                                              std::pair{48000, SF_FORMAT_AIFF | SF_FORMAT_PCM_24},
                                              std::pair{96000, SF_FORMAT_FLAC | SF_FORMAT_PCM_16},
                                              std::pair{22050, SF_FORMAT_WAV | SF_FORMAT_FLOAT}}) {
        const long frames = 3L * source_rate + 74;
        const auto value = [rate = source_rate](long i, int c) { return tone_and_noise(i, c, rate); };
        const std::string path = scratch_file(std::to_string(source_rate) + ".audio");
        write_sound(path, format, source_rate, kChannels, frames, value);
        // The file as libsndfile reads it whole holds the values written.
        const AudioClip clip = standin::read_audio_file(path);
        ASSERT_EQ(clip.rate, source_rate);
        ASSERT_EQ(clip.samples.size(), std::size_t(frames * kChannels));
        for (std::size_t i = 0; i < clip.samples.size(); ++i)
            ASSERT_NEAR(clip.samples[i], value(long(i / kChannels), int(i % kChannels)), 1.0 / 64) << path;

        for (const bool from_file : {true, false}) {
            TestHost host;
            if (from_file)
                host.layer_audio().set_file(path);
            else
                host.layer_audio().set_clip(clip);
            for (const Format& f : formats) {
                const std::vector<float> whole = resampled_whole(clip.samples, kChannels, source_rate, f.rate / 65536.0);
                // Today's mapping of the clip's channels into the request's.
                const auto expected = [&](long long at, int c) -> double {
                    if (at < 0 || at >= (long long)(whole.size() / kChannels))
                        return 0.0;
                    const float* frame = &whole[std::size_t(at) * kChannels];
                    if (f.channels == 1)
                        return f.pick ? frame[f.pick - 1] : (frame[0] + frame[1]) / 2.0;
                    return c < kChannels ? frame[c] : 0.0;
                };
                host.layer_audio().set_channel(f.pick);
                const double full_scale = std::ldexp(1.0, 8 * f.bytes - 1);
                // One step of the sample size; at 32 bits, float's precision.
                const double tolerance = f.bytes == 4 ? std::ldexp(1.0, 11) : 1.0;
                for (const auto& [start, duration, scale] : spans) {
                    SCOPED_TRACE(path + (from_file ? " file, format " : " memory, format ") + std::to_string(&f - formats) +
                                 ", start " + std::to_string(start) + "/" + std::to_string(scale));
                    const Checkout got =
                        check_out(host, {start, duration, A_u_long(scale), f.rate, f.bytes, f.channels, f.fmt_signed});
                    ASSERT_EQ(got.err, 0);
                    const long long first = (long long)std::floor(double(start) * f.rate / 65536.0 / scale);
                    const long long end = (long long)std::floor(double(start + duration) * f.rate / 65536.0 / scale);
                    ASSERT_EQ(got.count, end - first);
                    const unsigned char* raw = got.bytes.data();
                    for (long long i = 0; i < got.count; ++i)
                        for (int c = 0; c < f.channels; ++c, raw += f.bytes) {
                            const double want = std::clamp(expected(first + i, c), -1.0, 1.0) * full_scale;
                            ASSERT_LE(std::abs(double(steps(raw, f.bytes, f.fmt_signed)) - want), tolerance)
                                << "sample " << first + i << " channel " << c;
                        }
                }
            }
        }
    }
}

TEST(StandinAudioOnDemand, WhatTheHostHoldsDoesNotGrowWithTheFileNorWithTime)
{
    // Four channels at 22.05 kHz: 2 s, and 60 s (21 MB as floats).
    constexpr int kRate = 22050;
    const auto value = [](long i, int c) { return tone_and_noise(i, c, kRate); };
    const std::string short_path = scratch_file("short.wav"), long_path = scratch_file("long.wav");
    write_sound(short_path, SF_FORMAT_WAV | SF_FORMAT_PCM_16, kRate, 4, 2L * kRate, value);
    write_sound(long_path, SF_FORMAT_WAV | SF_FORMAT_PCM_16, kRate, 4, 60L * kRate, value);

    // What a host holds while a frame's window is checked out: the window
    // and what does not depend on where it lies.
    const auto held_at = [](const auto& set_audio, A_long frame, const AudioRequest& shape) {
        TestHost host;
        set_audio(host.layer_audio());
        PF_InData& in = host.in_data();
        PF_LayerAudio handle = nullptr;
        EXPECT_EQ(in.inter.checkout_layer_audio(in.effect_ref, 7, frame - 4, 5, 25, shape.rate,
                                                shape.bytes_per_sample, shape.channels, shape.fmt_signed, &handle),
                  0);
        const std::size_t held = host.layer_audio().held_bytes();
        EXPECT_EQ(in.inter.checkin_layer_audio(in.effect_ref, handle), 0);
        EXPECT_EQ(held - host.layer_audio().held_bytes(),
                  std::size_t(5 * (shape.rate >> 16) / 25 * shape.bytes_per_sample * shape.channels));
        EXPECT_LT(held, std::size_t(2) << 20);
        return held;
    };
    for (const AudioRequest& shape : {AudioRequest{0, 0, 25, k44100, 1, 1, 0}, AudioRequest{0, 0, 25, 48000u << 16, 2, 4, 1},
                                      AudioRequest{0, 0, 25, kRate << 16, 1, 1, 0}})
        EXPECT_EQ(held_at([&](standin::LayerAudio& a) { a.set_file(long_path); }, 1500, shape),
                  held_at([&](standin::LayerAudio& a) { a.set_file(short_path); }, 50, shape))
            << shape.rate;
    // Generated LTC: the same near the start and a day's frames later.
    for (const unsigned fps : {25u, 30u}) {
        const standin::LtcSpec spec{fps, 1, {}, 48000, 2400000};
        const auto ltc = [&](standin::LayerAudio& a) { a.set_ltc(spec); };
        EXPECT_EQ(held_at(ltc, 1999990, {0, 0, 25, k44100, 1, 1, 0}), held_at(ltc, 10, {0, 0, 25, k44100, 1, 1, 0}));
    }
}

TEST(StandinAudioOnDemand, AFileCutShortEndsInSilence)
{
    const std::string path = scratch_file("cut.wav");
    write_sound(path, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 1, 44100, [](long, int) { return 0.5f; });
    std::filesystem::resize_file(path, 44 + 2 * 22050); // the header says 1 s, half of it is there
    TestHost host;
    host.layer_audio().set_file(path);
    const Checkout c = check_out(host, {0, 25, 25, k44100, 1, 1, 1});
    ASSERT_EQ(c.count, 44100);
    EXPECT_EQ(int8_t(c.bytes[22049]), 64);
    EXPECT_EQ(int8_t(c.bytes[22050]), 0);
    EXPECT_EQ(c.bytes.back(), 0);
}

// A source at the highest rate the host reads, counting the frames asked of it.
struct CountingSource : standin::AudioSource {
    explicit CountingSource(long long& read) : frames_read(read) {}
    double rate() const override { return standin::kMaxSourceRate; }
    int channels() const override { return 1; }
    long long frames() const override { return 3600LL * standin::kMaxSourceRate; }
    void read(long long, long count, float* out) override { std::fill(out, out + count, 0.0f), frames_read += count; }
    std::size_t held_bytes() const override { return 0; }
    long long& frames_read;
};

TEST(StandinAudioOnDemand, AWindowCostsTheSameAnywhereAndRatesThatNeverMeetAreRefused)
{
    long long frames_read = 0;
    standin::AudioSpans spans(std::make_unique<CountingSource>(frames_read));
    const auto read_for = [&](long long first) {
        frames_read = 0;
        spans.serve(k44100, {0}, first, first + 8820, [](long long, long, const float*) {});
        return frames_read;
    };
    const long long early = read_for(44100LL * 10);
    EXPECT_LT(read_for(44100LL * 3590), 2 * early);

    // A check-out at a rate whose grid meets the source's only at its start.
    TestHost host;
    host.layer_audio().set_clip({44100, 1, std::vector<float>(44100, 0.5f)});
    EXPECT_EQ(check_out(host, {0, 1, 25, k44100 + 1, 1, 1, 0}).err, PF_Err_BAD_CALLBACK_PARAM);
    // A file above the highest rate, with a one-line reason.
    const std::string fast = scratch_file("fast.wav");
    write_sound(fast, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 384001, 1, 100, [](long, int) { return 0.0f; });
    try {
        host.layer_audio().set_file(fast);
        ADD_FAILURE() << "a 384001 Hz file was taken";
    } catch (const standin::HostError& e) {
        EXPECT_EQ(std::string(e.what()), "audio file '" + fast + "' is at 384001 Hz: the host reads audio up to 384000 Hz");
    }
}

TEST(StandinAudio, NoClipNoHandleAndEveryCallCanFail)
{
    TestHost host;
    const Checkout none = check_out(host, {0, 5, 25, k44100, 1, 1, 0});
    EXPECT_TRUE(none.err == 0 && none.handle == nullptr);

    host.layer_audio().set_clip({44100, 1, std::vector<float>(1000, 0.5f)});
    EXPECT_THROW(host.layer_audio().set_channel(2), standin::HostError);
    PF_InData& in = host.in_data();
    PF_LayerAudio handle = nullptr;
    ASSERT_EQ(in.inter.checkout_layer_audio(in.effect_ref, 7, 0, 1, 25, k44100, 1, 1, 0, &handle), 0);
    EXPECT_EQ(host.held(), "1 audio window(s) not checked in; ");
    // A check-in on a pixel callback's thread is not run, nor given back.
    {
        std::atomic<const char*> first_call{nullptr};
        const standin::PixelCallbackBand band(first_call);
        EXPECT_EQ(in.inter.checkin_layer_audio(in.effect_ref, handle), PF_Err_INTERNAL_STRUCT_DAMAGED);
        EXPECT_STREQ(first_call.load(), "inter.checkin_layer_audio");
    }
    EXPECT_EQ(host.held(), "1 audio window(s) not checked in; ");
    // A check-in made to fail still gives the window back; a second is misuse.
    host.faults().fail("inter.checkin_layer_audio", 1, 7);
    EXPECT_EQ(in.inter.checkin_layer_audio(in.effect_ref, handle), 7);
    EXPECT_EQ(host.held(), "");
    EXPECT_NE(in.inter.checkin_layer_audio(in.effect_ref, handle), 0);
    EXPECT_EQ(host.take_misuse(),
              "inter.checkin_layer_audio: check-in of audio that is not checked out: " + standin::hex(handle));

    // Faults reach each call: a failed check-out gives no handle.
    host.faults().fail("inter.checkout_layer_audio", 3, PF_Err_OUT_OF_MEMORY);
    EXPECT_EQ(check_out(host, {0, 1, 25, k44100, 1, 1, 0}).err, PF_Err_OUT_OF_MEMORY);
    host.faults().fail("inter.get_audio_data", 1, 9);
    EXPECT_EQ(check_out(host, {0, 1, 25, k44100, 1, 1, 0}).err, 9);
    EXPECT_EQ(host.held(), "");
    // A window too big for memory is refused, not allocated.
    EXPECT_EQ(check_out(host, {0, 0x7FFFFFFF, 1, k44100, 4, 64, 0}).err, PF_Err_OUT_OF_MEMORY);
    // Empty spans give no samples; bad requests are the effect's misuse.
    EXPECT_EQ(check_out(host, {0, 0, 25, k44100, 1, 1, 0}).count, 0);
    EXPECT_EQ(check_out(host, {0, -5, 25, k44100, 1, 1, 0}).count, 0);
    EXPECT_NE(check_out(host, {0, 1, 8, 8000 << 16, 3, 1, 0}).err, 0);
    EXPECT_EQ(host.take_misuse(), "inter.checkout_layer_audio: bytes per sample 3 (1, 2 or 4)");
}

TEST(StandinLtc, GeneratedAsReadItIsTheEncodersWholeClip)
{
    struct Case {
        unsigned num, den;
        int rate;
        const char* start;
        bool parity;
        double ltc_fps;
        LTC_TV_STANDARD standard;
    };
    const Case cases[] = {{25, 1, 48000, "01:02:03:04", true, 25, LTC_TV_625_50},
                          {24, 1, 44100, "00:00:59:22", true, 24, LTC_TV_FILM_24},
                          {30000, 1001, 48000, "00:00:59;28", true, 30000.0 / 1001, LTC_TV_525_60},
                          {30, 1, 48000, "23:59:59:29", false, 30, LTC_TV_525_60},
                          // Above 30 fps one LTC frame spans two video frames.
                          {60000, 1001, 44100, "00:09:59;29", true, 30000.0 / 1001, LTC_TV_525_60}};
    constexpr long kFrames = 400; // video frames
    for (const Case& k : cases) {
        SCOPED_TRACE(k.start);
        standin::LtcSpec spec{k.num, k.den, {}, double(k.rate), kFrames, k.parity};
        ASSERT_TRUE(standin::parse_timecode(k.start, spec.start));
        // The whole clip, made here in one pass (the encoder flags drop-frame
        // counting at 29.97 of itself).
        LTCEncoder* encoder = ltc_encoder_create(k.rate, k.ltc_fps, k.standard, k.parity ? 0 : LTC_NO_PARITY);
        const standin::Timecode& tc = spec.start;
        SMPTETimecode start{"", 0, 0, 0, (unsigned char)tc.hours, (unsigned char)tc.minutes,
                            (unsigned char)tc.seconds, (unsigned char)tc.frames};
        ltc_encoder_set_timecode(encoder, &start);
        std::vector<unsigned char> whole;
        for (long i = 0; i < kFrames / (k.ltc_fps < double(k.num) / k.den - 1 ? 2 : 1); ++i) {
            ltc_encoder_encode_frame(encoder);
            ltcsnd_sample_t* buf = nullptr;
            const int n = ltc_encoder_get_bufferptr(encoder, &buf, 1);
            whole.insert(whole.end(), buf, buf + n);
            ltc_encoder_inc_timecode(encoder);
        }
        ltc_encoder_free(encoder);

        // Seconds from sample `first`, 8-bit at the LTC's own rate: the
        // encoder's bytes, read ahead, back, across the end and past it.
        TestHost host;
        host.layer_audio().set_ltc(spec);
        const A_long size = A_long(whole.size());
        for (const A_long first : {0, size / 2, size / 8, size - k.rate / 2, size + 10}) {
            const Checkout c = check_out(host, {first, k.rate, A_u_long(k.rate), PF_UFixed(k.rate) << 16, 1, 1, 0});
            ASSERT_EQ(c.count, k.rate);
            for (A_long i = 0; i < k.rate; ++i)
                ASSERT_EQ(c.bytes[std::size_t(i)], first + i < size ? whole[std::size_t(first + i)] : 128) << first + i;
        }
        EXPECT_EQ(standin::generate_ltc(spec).frames(), size);
    }
    standin::Timecode tc;
    EXPECT_FALSE(standin::parse_timecode("1:02:03:04", tc));
    EXPECT_FALSE(standin::parse_timecode("01:02:03", tc));
    standin::LtcSpec skipped{30000, 1001, {0, 1, 0, 0, true}}; // 00:01:00;00 does not exist
    EXPECT_THROW(standin::ltc_source(skipped), standin::HostError);
    skipped.start = {0, 0, 0, 30, false};
    EXPECT_THROW(standin::generate_ltc(skipped), standin::HostError);
}

} // namespace
