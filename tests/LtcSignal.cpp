#include "LtcSignal.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include <ltc.h>

namespace {

LTC_TV_STANDARD standard_for(double fps)
{
    if (fps == 25)
        return LTC_TV_625_50;
    if (fps == 24)
        return LTC_TV_FILM_24;
    return LTC_TV_525_60;
}

} // namespace

std::vector<uint8_t> LtcSignal::frames(long first, long count) const
{
    const double per_frame = double(frame_start.back()) / double(frame_start.size() - 1);
    std::vector<uint8_t> out;
    for (long i = first; i < first + count; ++i) {
        if (i < 0) {
            out.insert(out.end(), std::size_t(std::lround(per_frame)), 128);
            continue;
        }
        out.insert(out.end(), samples.begin() + long(frame_start.at(i)),
                   samples.begin() + long(frame_start.at(i + 1)));
    }
    return out;
}

LtcSignal make_ltc(LtcRate rate, int frames, int h, int m, int s, int f)
{
    LTCEncoder* encoder =
        ltc_encoder_create(rate.sample_rate, rate.fps, standard_for(rate.fps), LTC_USE_DATE);
    if (!encoder)
        throw std::runtime_error("ltc_encoder_create failed");
    SMPTETimecode start{};
    std::strcpy(start.timezone, "+0000");
    start.hours = static_cast<unsigned char>(h);
    start.mins = static_cast<unsigned char>(m);
    start.secs = static_cast<unsigned char>(s);
    start.frame = static_cast<unsigned char>(f);
    ltc_encoder_set_timecode(encoder, &start);

    LtcSignal signal;
    for (int i = 0; i < frames; ++i) {
        LTCFrame frame;
        ltc_encoder_get_frame(encoder, &frame);
        SMPTETimecode now;
        ltc_encoder_get_timecode(encoder, &now);
        char text[16];
        std::snprintf(text, sizeof text, frame.dfbit ? "%02d;%02d;%02d;%02d" : "%02d:%02d:%02d:%02d",
                      now.hours, now.mins, now.secs, now.frame);
        signal.text.push_back(text);
        signal.frame_start.push_back(signal.samples.size());

        ltc_encoder_encode_frame(encoder);
        ltcsnd_sample_t* buffer = nullptr;
        const int n = ltc_encoder_get_bufferptr(encoder, &buffer, 1);
        signal.samples.insert(signal.samples.end(), buffer, buffer + n);
        ltc_encoder_inc_timecode(encoder);
    }
    signal.frame_start.push_back(signal.samples.size());
    ltc_encoder_free(encoder);
    return signal;
}
