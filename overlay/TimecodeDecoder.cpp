#include "TimecodeDecoder.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

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

namespace {

// A decoded frame; a type of this file's own keeps the vector's code out of
// the module's exports.
struct Frame : LTCFrameExt {};
using Frames = std::vector<Frame>;

// What a fresh decoder reads from one window, in decoding order. Mirrored, the
// samples are reflected about libltc's centre, 128 (0, which has no mirror,
// becomes 255), and written a stretch at a time.
Frames read_frames(const uint8_t* samples, A_long count, A_long samples_per_frame, bool mirrored)
{
    Frames frames;
    const DecoderPtr decoder(ltc_decoder_create(samples_per_frame, kDecoderQueue));
    if (!decoder)
        return frames;
    if (!mirrored) {
        ltc_decoder_write(decoder.get(), const_cast<ltcsnd_sample_t*>(samples), static_cast<size_t>(count), 0);
    } else {
        ltcsnd_sample_t stretch[1024];
        for (A_long at = 0; at < count; at += A_long(sizeof stretch)) {
            const A_long n = std::min(count - at, A_long(sizeof stretch));
            for (A_long i = 0; i < n; ++i)
                stretch[i] = ltcsnd_sample_t(std::min(256 - samples[at + i], 255));
            ltc_decoder_write(decoder.get(), stretch, static_cast<size_t>(n), at);
        }
    }
    Frame frame;
    while (ltc_decoder_read(decoder.get(), &frame))
        frames.push_back(frame);
    return frames;
}

// Valid BCD, hours below 24, minutes and seconds below 60, a frame number below
// 30 (the highest LTC rate, whatever the layer's rate), and with the drop-frame
// flag not a number that drop-frame counting skips.
bool is_possible_timecode(const LTCFrame& f)
{
    if (f.frame_units > 9 || f.secs_units > 9 || f.mins_units > 9 || f.hours_units > 9 || f.secs_tens > 5 ||
        f.mins_tens > 5)
        return false;
    const int frame = f.frame_tens * 10 + f.frame_units;
    const int secs = f.secs_tens * 10 + f.secs_units;
    const int mins = f.mins_tens * 10 + f.mins_units;
    if (frame >= 30 || f.hours_tens * 10 + f.hours_units >= 24)
        return false;
    return !(f.dfbit && secs == 0 && frame < 2 && mins % 10 != 0);
}

// The frame's bit length in samples, as the decoder timed its 80 bits.
double bit_length(const LTCFrameExt& f)
{
    double sum = 0;
    for (float tics : f.biphase_tics)
        sum += tics;
    return sum / LTC_FRAME_BIT_COUNT;
}

// The bit lengths, in samples at the decode rate, of the LTC a layer can
// carry: 23.976 to 30 frames a second whatever the layer's rate, or the
// layer's own rate (halved above 30, where one LTC frame spans two pictures),
// a tenth either way for drift and for how the decoder times bits. Noise that
// happens to make a frame does so at a few samples a bit.
class BitRange {
public:
    BitRange(A_u_long time_scale, A_long time_step)
    {
        double carried = double(time_scale) / time_step;
        if (carried > 30.5)
            carried /= 2;
        low_ = 0.9 * bit_at(std::max(carried, 30.0));
        high_ = 1.1 * bit_at(std::min(carried, 24000.0 / 1001));
    }
    bool holds(const LTCFrameExt& f) const
    {
        const double bit = bit_length(f);
        return bit >= low_ && bit <= high_;
    }

private:
    static double bit_at(double fps) { return kDecodeRate / (fps * LTC_FRAME_BIT_COUNT); }
    double low_, high_;
};

// Where the frame's first edge lies: its end, which the decoder places to a
// sample on clean LTC and within a bit in noise, less its own 80 bits.
double first_edge(const LTCFrameExt& f)
{
    return double(f.off_end + 1) - LTC_FRAME_BIT_COUNT * bit_length(f);
}

// Its first edge lies inside the window, up to half a bit. Noise moves where
// the decoder places a frame's end by up to a bit; the start that it records
// moves with it only when the frame really starts before the window.
bool starts_inside(const LTCFrameExt& f)
{
    return std::max(first_edge(f), double(f.off_start)) >= -0.5 * bit_length(f);
}

// Bits a decoder reads before it has seen a whole sync word may be misread.
bool read_while_locking(const LTCFrameExt& f) { return first_edge(f) < 16 * bit_length(f); }

// A decoder that misreads the first bits it gets often drops leading bits of
// the frame to keep 80; each dropped bit moves the start it records one bit
// later than the frame's first edge. Bits it read before the frame are dropped
// too, and each of those moves the start by what the decoder rounds off its
// bit length (about a sample).
bool lost_leading_bits(const LTCFrameExt& f)
{
    const double bit = bit_length(f);
    const double edge = std::max(first_edge(f), 0.0);
    return read_while_locking(f) && double(f.off_start) > edge + 0.5 * bit + 1.5 * edge / bit;
}

bool read_whole(const LTCFrameExt& f) { return starts_inside(f) && !lost_leading_bits(f); }

// Biphase mark does not depend on polarity, but how a decoder locks on does,
// so the window read inverted reads its first frames afresh. For a frame read
// while the decoder was locking on, the two readings of it are weighed: one
// read whole wins over one that lost leading bits; two whole ones that differ
// leave the one whose recorded start is earlier (the other missed part of the
// first bit), or neither when their starts are within two samples.
class SecondReading {
public:
    SecondReading(const uint8_t* samples, A_long count, A_long samples_per_frame)
        : samples_(samples), count_(count), samples_per_frame_(samples_per_frame)
    {
    }

    // The reading of f to show, or null.
    const LTCFrameExt* weigh(const LTCFrameExt& f)
    {
        if (!read_while_locking(f))
            return &f;
        const LTCFrameExt* twin = twin_of(f);
        const bool f_whole = read_whole(f), twin_whole = twin && read_whole(*twin);
        if (!twin_whole)
            return f_whole ? &f : nullptr;
        if (!f_whole)
            return twin;
        if (std::memcmp(&twin->ltc, &f.ltc, sizeof f.ltc) == 0)
            return &f;
        if (std::abs(double(twin->off_start - f.off_start)) < 2)
            return nullptr;
        return twin->off_start < f.off_start ? twin : &f;
    }

private:
    // The frame of the inverted reading that ends where f does.
    const LTCFrameExt* twin_of(const LTCFrameExt& f)
    {
        if (!done_) {
            // Only one frame can begin that early; two bits past its end finish it.
            const double end = double(f.off_end) + 2 * bit_length(f);
            frames_ = read_frames(samples_, A_long(std::min(double(count_), end)), samples_per_frame_, true);
            done_ = true;
        }
        for (const LTCFrameExt& g : frames_)
            if (std::abs(double(g.off_end - f.off_end)) < 0.5 * bit_length(f))
                return &g;
        return nullptr;
    }

    const uint8_t* samples_;
    A_long count_;
    A_long samples_per_frame_;
    bool done_ = false;
    Frames frames_;
};

// Leading samples near the middle of the signal that follows them carry no
// bits: digital silence before LTC begins, and the ringing that a resampler
// leaves before the first edge. A decoder that counts them into its first bit
// times the bits after it wrong, so the signal is read from its first sample
// more than a quarter of its half-swing from the middle, judged over a frame
// from the first sample off the centre value. Inside LTC at any usual level
// a window starts a quarter of full scale off the centre and needs no scan.
A_long quiet_lead(const uint8_t* samples, A_long count, A_long samples_per_frame)
{
    if (std::abs(samples[0] - 128) >= 32)
        return 0;
    A_long first = 0;
    while (first < count && samples[first] == 128)
        ++first;
    const A_long end = A_long(std::min(int64_t{count}, int64_t{first} + samples_per_frame));
    uint8_t low = 255, high = 0;
    for (A_long i = 0; i < end; ++i) {
        low = std::min(low, samples[i]);
        high = std::max(high, samples[i]);
    }
    // Twice the middle and twice the half-swing, to stay in whole numbers.
    const int middle = low + high, swing = high - low;
    A_long lead = 0;
    while (lead < end && 4 * std::abs(2 * samples[lead] - middle) < swing)
        ++lead;
    // One or two quiet samples are an edge that the window starts on (noisy
    // LTC reads no better without them).
    return lead > 2 ? lead : 0;
}

} // namespace

void decode_ltc_text(const uint8_t* samples, A_long count, A_u_long time_scale,
                     A_long time_step, TimecodeText& text)
{
    const A_long samples_per_frame = ltc_samples_per_frame(time_scale, time_step);
    if (samples_per_frame == 0 || !samples || count < 1)
        return;

    // Offsets below count from the first loud sample.
    const A_long lead = quiet_lead(samples, count, samples_per_frame);
    samples += lead;
    count -= lead;

    // The last frame that passes is shown; when none does, the text stays.
    const BitRange bits(time_scale, time_step);
    SecondReading second(samples, count, samples_per_frame);
    for (const Frame& read : read_frames(samples, count, samples_per_frame, false)) {
        if (!starts_inside(read) || !bits.holds(read))
            continue;
        const LTCFrameExt* frame = second.weigh(read);
        if (!frame || !is_possible_timecode(frame->ltc))
            continue;
        LTCFrame ltc = frame->ltc;
        SMPTETimecode time;
        ltc_frame_to_time(&time, &ltc, LTC_USE_DATE);
        // Every field comes from two BCD digits, so the text is always 11 characters.
        std::snprintf(text.chars, 12, ltc.dfbit ? "%02d;%02d;%02d;%02d" : "%02d:%02d:%02d:%02d",
                      time.hours, time.mins, time.secs, time.frame);
    }
}
