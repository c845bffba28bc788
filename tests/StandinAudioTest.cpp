// The stand-in host's layer audio: windows, formats, resampling, files and
// the LTC it generates, as the effect checks them out.
#include <gtest/gtest.h>
#include <ltc.h>
#include <sndfile.h>
#include <soxr.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "CallGuard.h"
#include "TestHost.h"
#include "LtcSignal.h"

namespace {

using standin::AudioClip;
using standin::AudioRequest;

constexpr PF_UFixed k44100 = 0xAC440000;

// Mono clip whose sample i is (i % 200 - 100) / 128: every value exact in 8 bits.
AudioClip ramp_clip(double rate, long frames)
{
    AudioClip clip;
    clip.rate = rate;
    for (long i = 0; i < frames; ++i)
        clip.samples.push_back(float(i % 200 - 100) / 128.0f);
    return clip;
}

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
        EXPECT_EQ(rate, r.rate);
        EXPECT_EQ(bytes, r.bytes_per_sample);
        EXPECT_EQ(channels, r.channels);
        EXPECT_EQ(fmt, r.fmt_signed);
        if (data) // read before the check-in, which frees them
            out.bytes.assign(static_cast<unsigned char*>(data),
                             static_cast<unsigned char*>(data) + std::size_t(out.count) * bytes * channels);
    }
    EXPECT_EQ(in.inter.checkin_layer_audio(in.effect_ref, out.handle), 0);
    return out;
}

TEST(StandinAudio, SampleFormatsChannelsAndTheMix)
{
    TestHost host;
    AudioClip stereo;
    stereo.rate = 8000;
    stereo.channels = 2;
    for (int i = 0; i < 8000; ++i)
        stereo.samples.insert(stereo.samples.end(), {0.5f, -0.25f});
    host.layer_audio().set_clip(stereo);

    auto first_value = [&](A_long bytes, A_long fmt, A_long channels = 1) {
        const Checkout c = check_out(host, {0, 1, 8, 8000 << 16, bytes, channels, fmt});
        std::vector<int64_t> v;
        for (A_long k = 0; k < channels; ++k) {
            uint32_t raw = 0;
            std::memcpy(&raw, &c.bytes[std::size_t(k) * bytes], std::size_t(bytes));
            if (fmt)
                v.push_back(bytes == 1 ? int8_t(raw) : bytes == 2 ? int16_t(raw) : int32_t(raw));
            else
                v.push_back(raw);
        }
        return v;
    };
    // The mix of both channels is 0.125.
    EXPECT_EQ(first_value(1, 0), (std::vector<int64_t>{144}));
    EXPECT_EQ(first_value(1, 1), (std::vector<int64_t>{16}));
    EXPECT_EQ(first_value(2, 0), (std::vector<int64_t>{32768 + 4096}));
    EXPECT_EQ(first_value(2, 1), (std::vector<int64_t>{4096}));
    EXPECT_EQ(first_value(4, 1), (std::vector<int64_t>{268435456}));
    EXPECT_EQ(first_value(4, 0), (std::vector<int64_t>{2147483648LL + 268435456}));
    host.layer_audio().set_channel(1);
    EXPECT_EQ(first_value(2, 1), (std::vector<int64_t>{16384}));
    host.layer_audio().set_channel(2);
    EXPECT_EQ(first_value(2, 1), (std::vector<int64_t>{-8192}));
    EXPECT_EQ(first_value(2, 1, 2), (std::vector<int64_t>{16384, -8192}));
    EXPECT_THROW(host.layer_audio().set_channel(3), standin::HostError);

    // Silence in each format: mid-scale when unsigned.
    const Checkout early = check_out(host, {-1, 1, 8, 8000 << 16, 2, 1, 0});
    EXPECT_EQ(early.bytes[0] | early.bytes[1] << 8, 32768);
    // Bad requests are the effect's misuse.
    EXPECT_NE(check_out(host, {0, 1, 8, 8000 << 16, 3, 1, 0}).err, 0);
    EXPECT_EQ(host.take_misuse(), "inter.checkout_layer_audio: bytes per sample 3 (1, 2 or 4)");
    EXPECT_EQ(host.held(), "");
}

// Writes `frames` frames whose sample (i, c) is value(i, c).
template <typename Value>
void write_sound(const std::string& path, int format, int rate, int channels, long frames, Value value)
{
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(f, nullptr) << sf_strerror(nullptr);
    std::vector<float> block;
    for (long at = 0; at < frames; at += 65536) {
        const long n = std::min(65536L, frames - at);
        block.resize(std::size_t(n * channels));
        for (long i = 0; i < n; ++i)
            for (int c = 0; c < channels; ++c)
                block[std::size_t(i * channels + c)] = value(at + i, c);
        ASSERT_EQ(sf_writef_float(f, block.data(), n), n);
    }
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
// quality, one thread), every channel, to be cut into windows.
std::vector<float> resampled_whole(const std::vector<float>& in, int channels, double in_rate, double out_rate)
{
    if (in_rate == out_rate)
        return in;
    const std::size_t in_frames = in.size() / std::size_t(channels);
    const std::size_t out_frames = std::size_t(std::llround(double(in_frames) * out_rate / in_rate));
    std::vector<float> out(out_frames * std::size_t(channels));
    std::size_t done = 0;
    const soxr_runtime_spec_t runtime = soxr_runtime_spec(1);
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
    EXPECT_EQ(soxr_oneshot(in_rate, out_rate, unsigned(channels), in.data(), in_frames, nullptr, out.data(),
                           out_frames, &done, nullptr, &quality, &runtime),
              nullptr);
    out.resize(done * std::size_t(channels));
    return out;
}

TEST(StandinAudioOnDemand, WindowsMatchTheWholeClipResampledThenCut)
{
    struct Format {
        PF_UFixed rate;
        A_long bytes, channels, fmt_signed;
        int pick; // the host's channel for one-channel requests, 0 the mix
    };
    const Format formats[] = {
        {k44100, 1, 1, 0, 0},      // what the effect asks for
        {k44100, 2, 1, 1, 2},      // the second channel
        {k44100, 2, 3, 1, 0},      // both channels, silence in the third
        {k44100, 4, 1, 1, 0},      // 32 bits
        {48000u << 16, 2, 1, 0, 0}, // up, as is and down from the three sources
        {(44100u << 16) + 1, 2, 1, 1, 0} // grids that meet only at the clip's start
    };
    struct Span {
        A_long start, duration;
        A_u_long scale;
    };
    // The clips last 3 s: 75 frames at 25 fps, 89.9 at 29.97.
    const Span spans[] = {{-3, 5, 25},  {-10, 3, 25}, {0, 1, 25},  {37, 5, 25},
                          {72, 5, 25},  {74, 1, 25},  {76, 2, 25}, {1001 * 50, 1001 * 3, 30000},
                          {1001 * 88, 1001 * 2, 30000}};
    constexpr int kChannels = 2;
    for (const int source_rate : {44100, 48000, 96000}) {
        const long frames = 3L * source_rate;
        const auto value = [&](long i, int c) { return tone_and_noise(i, c, source_rate); };
        const std::string path = scratch_file(std::to_string(source_rate) + ".wav");
        write_sound(path, SF_FORMAT_WAV | SF_FORMAT_FLOAT, source_rate, kChannels, frames, value);
        AudioClip clip;
        clip.rate = source_rate;
        clip.channels = kChannels;
        for (long i = 0; i < frames; ++i)
            for (int c = 0; c < kChannels; ++c)
                clip.samples.push_back(value(i, c));

        for (const bool from_file : {true, false}) {
            standin::Host host;
            if (from_file)
                host.layer_audio().set_file(path);
            else
                host.layer_audio().set_clip(clip);
            for (const Format& f : formats) {
                const std::vector<float> whole = resampled_whole(clip.samples, kChannels, source_rate, f.rate / 65536.0);
                const long long whole_frames = (long long)(whole.size() / kChannels);
                // Today's mapping of the clip's channels into the request's.
                const auto expected = [&](long long at, int c) -> double {
                    if (at < 0 || at >= whole_frames)
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
                for (const Span& span : spans) {
                    const Checkout got =
                        check_out(host, {span.start, span.duration, span.scale, f.rate, f.bytes, f.channels, f.fmt_signed});
                    const std::string where = std::string(from_file ? "file" : "memory") + " at " +
                                              std::to_string(source_rate) + " Hz, " + std::to_string(f.bytes) +
                                              " bytes x" + std::to_string(f.channels) + ", rate " +
                                              std::to_string(f.rate / 65536.0) + ", start " +
                                              std::to_string(span.start) + "/" + std::to_string(span.scale);
                    ASSERT_EQ(got.err, 0) << where;
                    const long long first = (long long)std::floor(double(span.start) * f.rate / 65536.0 / span.scale);
                    const long long end = (long long)std::floor(double(span.start + span.duration) * f.rate / 65536.0 /
                                                                span.scale);
                    ASSERT_EQ(got.count, end - first) << where;
                    const unsigned char* raw = got.bytes.data();
                    for (long long i = 0; i < got.count; ++i) {
                        for (int c = 0; c < f.channels; ++c, raw += f.bytes) {
                            uint32_t u = 0;
                            std::memcpy(&u, raw, std::size_t(f.bytes));
                            const int64_t steps =
                                f.fmt_signed ? (f.bytes == 1 ? int8_t(u) : f.bytes == 2 ? int16_t(u) : int32_t(u))
                                             : int64_t(u) - int64_t(full_scale);
                            const double want = std::clamp(expected(first + i, c), -1.0, 1.0) * full_scale;
                            ASSERT_LE(std::abs(double(steps) - want), tolerance)
                                << where << ": sample " << first + i << " channel " << c;
                        }
                    }
                }
            }
            EXPECT_EQ(host.held(), "");
            EXPECT_EQ(host.ledger().first_misuse(), "");
        }
    }
}

TEST(StandinAudioOnDemand, WhatTheHostHoldsDoesNotGrowWithTheFile)
{
    // Four channels at 22.05 kHz: 2 s, and 60 s (21 MB as floats).
    constexpr int kRate = 22050;
    const auto value = [](long i, int c) { return tone_and_noise(i, c, kRate); };
    const std::string short_path = scratch_file("short.wav");
    const std::string long_path = scratch_file("long.wav");
    write_sound(short_path, SF_FORMAT_WAV | SF_FORMAT_PCM_16, kRate, 4, 2L * kRate, value);
    write_sound(long_path, SF_FORMAT_WAV | SF_FORMAT_PCM_16, kRate, 4, 60L * kRate, value);

    // What the host holds while the last frame's window is checked out.
    const auto held_at_the_end = [](const std::string& path, A_long seconds, const AudioRequest& shape) {
        standin::Host host;
        host.layer_audio().set_file(path);
        PF_InData& in = host.in_data();
        PF_LayerAudio handle = nullptr;
        EXPECT_EQ(in.inter.checkout_layer_audio(in.effect_ref, 7, seconds * 25 - 4, 5, 25, shape.rate,
                                                shape.bytes_per_sample, shape.channels, shape.fmt_signed, &handle),
                  0);
        const std::size_t held = host.layer_audio().held_bytes();
        EXPECT_EQ(in.inter.checkin_layer_audio(in.effect_ref, handle), 0);
        return held;
    };
    for (const AudioRequest& shape : {AudioRequest{0, 0, 25, k44100, 1, 1, 0}, AudioRequest{0, 0, 25, 48000u << 16, 2, 4, 1},
                                      AudioRequest{0, 0, 25, kRate << 16, 1, 1, 0}}) {
        const std::size_t short_held = held_at_the_end(short_path, 2, shape);
        EXPECT_EQ(held_at_the_end(long_path, 60, shape), short_held) << shape.rate;
        EXPECT_LT(short_held, std::size_t(2) << 20) << shape.rate;
    }

    // Audio kept in memory (the generated LTC) is held once, never a
    // resampled copy besides.
    standin::Host host;
    AudioClip clip = standin::read_audio_file(long_path);
    const std::size_t clip_bytes = clip.samples.capacity() * sizeof(float);
    host.layer_audio().set_clip(std::move(clip));
    for (A_long t : {0, 700, 1495})
        EXPECT_EQ(check_out(host, {t, 5, 25, k44100, 1, 1, 0}).err, 0);
    EXPECT_GE(host.layer_audio().held_bytes(), clip_bytes);
    EXPECT_LT(host.layer_audio().held_bytes() - clip_bytes, std::size_t(2) << 20);
}

TEST(StandinAudioOnDemand, AFileCutShortEndsInSilence)
{
    const std::string path = scratch_file("cut.wav");
    write_sound(path, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 1, 44100, [](long, int) { return 0.5f; });
    std::filesystem::resize_file(path, 44 + 2 * 22050); // the header says 1 s, half of it is there
    standin::Host host;
    host.layer_audio().set_file(path);
    const Checkout c = check_out(host, {0, 25, 25, k44100, 1, 1, 1});
    ASSERT_EQ(c.err, 0);
    ASSERT_EQ(c.count, 44100);
    EXPECT_EQ(int8_t(c.bytes[22049]), 64);
    EXPECT_EQ(int8_t(c.bytes[22050]), 0);
    EXPECT_EQ(c.bytes.back(), 0);
    EXPECT_EQ(host.ledger().first_misuse(), "");
}

TEST(StandinAudio, NoClipNoHandleAndTheLedgerKeepsCount)
{
    TestHost host;
    Checkout c = check_out(host, {0, 5, 25, k44100, 1, 1, 0});
    EXPECT_EQ(c.err, 0);
    EXPECT_EQ(c.handle, nullptr);
    EXPECT_EQ(host.ledger().count("inter.checkout_layer_audio"), 1u);
    EXPECT_EQ(host.ledger().count("inter.checkin_layer_audio"), 0u);

    host.layer_audio().set_clip(ramp_clip(44100, 1000));
    PF_InData& in = host.in_data();
    PF_LayerAudio handle = nullptr;
    ASSERT_EQ(in.inter.checkout_layer_audio(in.effect_ref, 7, 0, 1, 25, k44100, 1, 1, 0, &handle), 0);
    EXPECT_EQ(host.held(), "1 audio window(s) not checked in; ");
    // A check-in made to fail still gives the window back; a second is misuse.
    host.faults().fail("inter.checkin_layer_audio", 1, 7);
    EXPECT_EQ(in.inter.checkin_layer_audio(in.effect_ref, handle), 7);
    EXPECT_EQ(host.held(), "");
    EXPECT_EQ(host.ledger().first_misuse(), "");
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
    // Empty spans give no samples.
    host.faults().clear();
    EXPECT_EQ(check_out(host, {0, 0, 25, k44100, 1, 1, 0}).count, 0);
    EXPECT_EQ(check_out(host, {0, -5, 25, k44100, 1, 1, 0}).count, 0);
}

TEST(StandinAudio, ReadsFilesOfEveryDepthThroughLibsndfile)
{
    struct Case {
        const char* name;
        int format;
        int rate;
        int channels;
    };
    const Case cases[] = {{"u8.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 44100, 1},
                          {"s16.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_16, 48000, 2},
                          {"s24.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 96000, 3},
                          {"s32.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_32, 22050, 1}};
    constexpr long kFrames = 8000;
    for (const Case& k : cases) {
        const std::string path = scratch_file(k.name);
        const auto value = [&](long i, int c) { return float((i % 16) - 8) / 16.0f * float(c + 1) / float(k.channels); };
        write_sound(path, k.format, k.rate, k.channels, kFrames, value);

        const AudioClip clip = standin::read_audio_file(path);
        EXPECT_EQ(clip.rate, k.rate) << k.name;
        EXPECT_EQ(clip.channels, k.channels) << k.name;
        ASSERT_EQ(clip.frames(), kFrames) << k.name;
        for (long i = 0; i < kFrames; ++i)
            for (int c = 0; c < k.channels; ++c)
                ASSERT_NEAR(clip.samples[std::size_t(i * k.channels + c)], value(i, c), 1.0 / 128)
                    << k.name << " sample " << i;

        // Read by span: 20 ms to 70 ms, every channel, 16-bit at 48 kHz.
        standin::Host host;
        host.layer_audio().set_file(path);
        const Checkout got = check_out(host, {20, 50, 1000, 48000u << 16, 2, k.channels, 1});
        ASSERT_EQ(got.count, 2400) << k.name;
        const std::vector<float> whole = resampled_whole(clip.samples, k.channels, k.rate, 48000);
        for (std::size_t i = 0; i < got.bytes.size() / 2; ++i) {
            int16_t v;
            std::memcpy(&v, &got.bytes[2 * i], 2);
            ASSERT_LE(std::abs(v - 32768.0 * whole[960 * std::size_t(k.channels) + i]), 1.0) << k.name << " value " << i;
        }
    }
    const std::string missing = scratch_file("missing.wav");
    EXPECT_THROW(standin::read_audio_file(missing), standin::HostError);
    standin::Host host;
    EXPECT_THROW(host.layer_audio().set_file(missing), standin::HostError);
    EXPECT_FALSE(host.layer_audio().has_clip());
}

// Decodes a whole 8-bit window with libltc and returns the timecodes read.
std::vector<std::string> decode(const std::vector<unsigned char>& samples, int samples_per_frame)
{
    LTCDecoder* decoder = ltc_decoder_create(samples_per_frame, 64);
    ltc_decoder_write(decoder, const_cast<unsigned char*>(samples.data()), samples.size(), 0);
    std::vector<std::string> out;
    LTCFrameExt frame;
    while (ltc_decoder_read(decoder, &frame)) {
        SMPTETimecode t;
        ltc_frame_to_time(&t, &frame.ltc, 1);
        char text[16];
        const char sep = frame.ltc.dfbit ? ';' : ':';
        std::snprintf(text, sizeof text, "%02d%c%02d%c%02d%c%02d", t.hours, sep, t.mins, sep, t.secs, sep, t.frame);
        out.push_back(text);
    }
    ltc_decoder_free(decoder);
    return out;
}

TEST(StandinLtc, GeneratedLtcDecodesToTheRequestedTimecodes)
{
    struct Case {
        unsigned num, den;
        double rate;
        const char* start;
        std::vector<std::string> expected; // the first frames decoded
    };
    const Case cases[] = {
        {25, 1, 48000, "01:02:03:04", {"01:02:03:04", "01:02:03:05", "01:02:03:06"}},
        {24, 1, 44100, "00:00:59:22", {"00:00:59:22", "00:00:59:23", "00:01:00:00"}},
        {30000, 1001, 48000, "00:00:59;28", {"00;00;59;28", "00;00;59;29", "00;01;00;02"}},
        {30, 1, 44100, "10:59:59:29", {"10:59:59:29", "11:00:00:00", "11:00:00:01"}},
        // Above 30 fps one LTC frame spans two video frames.
        {60000, 1001, 48000, "00:09:59;29", {"00;09;59;29", "00;10;00;00", "00;10;00;01"}},
    };
    for (const Case& k : cases) {
        standin::LtcSpec spec;
        spec.fps_num = k.num;
        spec.fps_den = k.den;
        spec.sample_rate = k.rate;
        spec.frames = 8;
        ASSERT_TRUE(standin::parse_timecode(k.start, spec.start)) << k.start;
        TestHost host;
        host.layer_audio().set_clip(standin::generate_ltc(spec));
        // The whole clip (8 video frames) as the effect takes it: 8-bit at 44.1 kHz.
        const Checkout c = check_out(host, {0, A_long(8 * k.den), k.num, k44100, 1, 1, 0});
        const std::vector<std::string> got = decode(c.bytes, int(44100 / standin::ltc_rate(k.num, k.den)));
        ASSERT_GE(got.size(), k.expected.size()) << k.start;
        EXPECT_EQ(std::vector<std::string>(got.begin(), got.begin() + 3), k.expected) << k.start;
    }
    standin::Timecode tc;
    EXPECT_FALSE(standin::parse_timecode("1:02:03:04", tc));
    EXPECT_FALSE(standin::parse_timecode("01:02:03", tc));
    standin::LtcSpec skipped;
    skipped.fps_num = 30000;
    skipped.fps_den = 1001;
    skipped.start = {0, 1, 0, 0, true}; // 00:01:00;00 does not exist
    EXPECT_THROW(standin::generate_ltc(skipped), standin::HostError);
    skipped.start = {0, 0, 0, 30, false};
    EXPECT_THROW(standin::generate_ltc(skipped), standin::HostError);
}

} // namespace
