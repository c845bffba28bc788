#include "LtcSignal.h"

#include <ltc.h>

#include <cstdio>
#include <cstring>
#include <memory>

#include "Module.h"

namespace standin {

bool is_drop_frame_rate(unsigned fps_num, unsigned fps_den)
{
    return fps_den == 1001 && (fps_num == 30000 || fps_num == 60000);
}

double ltc_rate(unsigned fps_num, unsigned fps_den)
{
    const double fps = fps_den ? double(fps_num) / fps_den : 0.0;
    return fps > 30.5 ? fps / 2 : fps;
}

bool parse_timecode(const std::string& text, Timecode& out)
{
    int h, m, s, f;
    char c1, c2, c3;
    int used = 0;
    if (std::sscanf(text.c_str(), "%2d%c%2d%c%2d%c%2d%n", &h, &c1, &m, &c2, &s, &c3, &f, &used) != 7 ||
        used != int(text.size()) || text.size() != 11)
        return false;
    auto sep = [](char c) { return c == ':' || c == ';' || c == '.'; };
    if (!sep(c1) || !sep(c2) || !sep(c3))
        return false;
    out = {h, m, s, f, c3 == ';' || c3 == '.'};
    return true;
}

std::string to_string(const Timecode& tc)
{
    char buf[16];
    const char sep = tc.drop_frame ? ';' : ':';
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d%c%02d", tc.hours % 100, tc.minutes % 100, tc.seconds % 100, sep,
                  tc.frames % 100);
    return buf;
}

AudioClip generate_ltc(const LtcSpec& spec)
{
    const double fps = ltc_rate(spec.fps_num, spec.fps_den);
    if (fps < 1 || spec.sample_rate < 1000 || spec.sample_rate > 384000)
        throw HostError("LTC needs a frame rate of at least 1 and a sample rate of 1000 to 384000 Hz");
    if (spec.frames < 0 || spec.frames > 24L * 3600 * 60)
        throw HostError("LTC length of " + std::to_string(spec.frames) + " frames is out of range");
    const bool drop = is_drop_frame_rate(spec.fps_num, spec.fps_den);
    const Timecode& tc = spec.start;
    const int whole_fps = fps > 29 && fps < 30 ? 30 : int(fps + 0.5);
    if (tc.hours < 0 || tc.hours > 23 || tc.minutes < 0 || tc.minutes > 59 || tc.seconds < 0 || tc.seconds > 59 ||
        tc.frames < 0 || tc.frames >= whole_fps)
        throw HostError("timecode " + to_string(tc) + " is out of range at " + std::to_string(whole_fps) + " fps");
    if (drop && tc.seconds == 0 && tc.frames < 2 && tc.minutes % 10 != 0)
        throw HostError("drop-frame timecode skips " + to_string(tc));

    const LTC_TV_STANDARD standard = whole_fps == 25 ? LTC_TV_625_50 : whole_fps == 24 ? LTC_TV_FILM_24 : LTC_TV_525_60;
    std::unique_ptr<LTCEncoder, void (*)(LTCEncoder*)> encoder(
        ltc_encoder_create(spec.sample_rate, fps, standard, spec.parity ? 0 : LTC_NO_PARITY), ltc_encoder_free);
    if (!encoder)
        throw HostError("cannot create the LTC encoder");
    // The encoder flags drop-frame only for 29.97 itself; 59.94 runs it too.
    LTCFrame frame;
    ltc_encoder_get_frame(encoder.get(), &frame);
    frame.dfbit = drop ? 1 : 0;
    ltc_encoder_set_frame(encoder.get(), &frame);
    SMPTETimecode start{};
    std::strcpy(start.timezone, "+0000");
    start.hours = (unsigned char)tc.hours;
    start.mins = (unsigned char)tc.minutes;
    start.secs = (unsigned char)tc.seconds;
    start.frame = (unsigned char)tc.frames;
    ltc_encoder_set_timecode(encoder.get(), &start);

    // Above 30 fps one LTC frame spans two video frames.
    const bool halved = fps < double(spec.fps_num) / spec.fps_den - 0.5;
    const long ltc_frames = halved ? (spec.frames + 1) / 2 : spec.frames;
    AudioClip clip;
    clip.rate = spec.sample_rate;
    clip.channels = 1;
    clip.samples.reserve(std::size_t(ltc_frames * (spec.sample_rate / fps + 2)));
    for (long i = 0; i < ltc_frames; ++i) {
        ltc_encoder_encode_frame(encoder.get());
        ltcsnd_sample_t* buf = nullptr;
        const int n = ltc_encoder_get_bufferptr(encoder.get(), &buf, 1);
        for (int k = 0; k < n; ++k)
            clip.samples.push_back((float(buf[k]) - 128.0f) / 128.0f);
        ltc_encoder_inc_timecode(encoder.get());
    }
    return clip;
}

} // namespace standin
