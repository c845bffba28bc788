#include "TimecodeDecoder.h"

#include <cstdio>
#include <limits>
#include <memory>

#include <ltc.h>

namespace {

constexpr uint32_t kDecodeRate = 44100;
constexpr int kDecoderQueue = 16;

struct DecoderFree {
    void operator()(LTCDecoder* decoder) const { ltc_decoder_free(decoder); }
};
using DecoderPtr = std::unique_ptr<LTCDecoder, DecoderFree>;

bool fits_32(int64_t v)
{
    return v >= std::numeric_limits<int32_t>::min() && v <= std::numeric_limits<int32_t>::max();
}

} // namespace

bool AudioWindow::fits() const { return fits_32(start) && fits_32(duration); }

AudioWindow audio_window(A_long current_time, A_long time_step, A_long offset_frames,
                         A_long width_frames)
{
    const int64_t step = time_step;
    return {current_time + (int64_t{offset_frames} - width_frames + 1) * step,
            (int64_t{width_frames} + 1) * step};
}

A_long ltc_samples_per_frame(A_u_long time_scale, A_long time_step)
{
    if (time_step <= 0)
        return 0;
    const uint32_t fps = time_scale / static_cast<uint32_t>(time_step);
    return fps == 0 ? 0 : static_cast<A_long>(kDecodeRate / fps);
}

void decode_ltc_text(const uint8_t* samples, A_long count, A_u_long time_scale,
                     A_long time_step, TimecodeText& text)
{
    const A_long samples_per_frame = ltc_samples_per_frame(time_scale, time_step);
    if (samples_per_frame == 0)
        return;
    const DecoderPtr decoder(ltc_decoder_create(samples_per_frame, kDecoderQueue));
    if (!decoder || !samples || count < 1)
        return;

    ltc_decoder_write(decoder.get(), const_cast<ltcsnd_sample_t*>(samples),
                      static_cast<size_t>(count), 0);
    LTCFrameExt frame;
    while (ltc_decoder_read(decoder.get(), &frame)) {
        SMPTETimecode time;
        ltc_frame_to_time(&time, &frame.ltc, LTC_USE_DATE);
        // Every field comes from two BCD digits, so the text is always 11 characters.
        std::snprintf(text.chars, 12, frame.ltc.dfbit ? "%02d;%02d;%02d;%02d" : "%02d:%02d:%02d:%02d",
                      time.hours, time.mins, time.secs, time.frame);
    }
}
