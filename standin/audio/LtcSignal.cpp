#include "LtcSignal.h"

#include <ltc.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

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

namespace {

// The most samples kept of what was read: a window's span, at 1 fps too.
constexpr std::size_t kKeptSamples = std::size_t(1) << 22;
// Spans generate_ltc reads at a time.
constexpr long kClipSpan = 1L << 16;

using Encoder = std::unique_ptr<LTCEncoder, void (*)(LTCEncoder*)>;

// The encoder's settings for a spec, checked.
struct EncoderSetup {
    double fps = 0;
    bool drop = false;
    LTC_TV_STANDARD standard = LTC_TV_625_50;
    long frames = 0; // LTC frames
};

EncoderSetup encoder_setup(const LtcSpec& spec)
{
    EncoderSetup s;
    s.fps = ltc_rate(spec.fps_num, spec.fps_den);
    if (s.fps < 1 || spec.sample_rate < 1000 || spec.sample_rate > kMaxSourceRate ||
        spec.sample_rate != std::floor(spec.sample_rate))
        throw HostError("LTC needs a frame rate of at least 1 and a whole sample rate of 1000 to " +
                        std::to_string(kMaxSourceRate) + " Hz");
    if (spec.frames < 0 || spec.frames > 24L * 3600 * 60)
        throw HostError("LTC length of " + std::to_string(spec.frames) + " frames is out of range");
    s.drop = is_drop_frame_rate(spec.fps_num, spec.fps_den);
    const Timecode& tc = spec.start;
    const int whole_fps = s.fps > 29 && s.fps < 30 ? 30 : int(s.fps + 0.5);
    if (tc.hours < 0 || tc.hours > 23 || tc.minutes < 0 || tc.minutes > 59 || tc.seconds < 0 || tc.seconds > 59 ||
        tc.frames < 0 || tc.frames >= whole_fps)
        throw HostError("timecode " + to_string(tc) + " is out of range at " + std::to_string(whole_fps) + " fps");
    if (s.drop && tc.seconds == 0 && tc.frames < 2 && tc.minutes % 10 != 0)
        throw HostError("drop-frame timecode skips " + to_string(tc));
    s.standard = whole_fps == 25 ? LTC_TV_625_50 : whole_fps == 24 ? LTC_TV_FILM_24 : LTC_TV_525_60;
    // Above 30 fps one LTC frame spans two video frames.
    const bool halved = s.fps < double(spec.fps_num) / spec.fps_den - 0.5;
    s.frames = halved ? (spec.frames + 1) / 2 : spec.frames;
    return s;
}

// An encoder whose next frame is the clip's first.
Encoder start_encoder(const LtcSpec& spec, const EncoderSetup& s)
{
    Encoder encoder(ltc_encoder_create(spec.sample_rate, s.fps, s.standard, spec.parity ? 0 : LTC_NO_PARITY),
                    ltc_encoder_free);
    if (!encoder)
        throw HostError("cannot create the LTC encoder");
    // The encoder flags drop-frame only for 29.97 itself; 59.94 runs it too.
    LTCFrame frame;
    ltc_encoder_get_frame(encoder.get(), &frame);
    frame.dfbit = s.drop ? 1 : 0;
    ltc_encoder_set_frame(encoder.get(), &frame);
    SMPTETimecode start{};
    std::strcpy(start.timezone, "+0000");
    start.hours = (unsigned char)spec.start.hours;
    start.mins = (unsigned char)spec.start.minutes;
    start.secs = (unsigned char)spec.start.seconds;
    start.frame = (unsigned char)spec.start.frames;
    ltc_encoder_set_timecode(encoder.get(), &start);
    return encoder;
}

// The encoder runs forward from the first frame and keeps the samples of the
// current run of reads (a window's span, read in pieces in order), so that
// the next window, which starts inside it, costs only its new frames.
class LtcSource final : public AudioSource {
public:
    explicit LtcSource(const LtcSpec& spec) : spec_(spec), setup_(encoder_setup(spec))
    {
        // With whole samples a bit and the parity bit (an even count of
        // transitions a frame), every frame leaves the encoder as it found
        // it, so a frame's samples depend on its timecode alone.
        const double per_bit = spec.sample_rate / (setup_.fps * 80.0);
        if (spec.parity && per_bit == std::floor(per_bit))
            frame_samples_ = long(per_bit) * 80;
        rewind();
        if (frame_samples_) {
            length_ = (long long)setup_.frames * frame_samples_;
        } else {
            pass(std::numeric_limits<long long>::max());
            length_ = next_sample_;
            rewind();
        }
    }
    double rate() const override { return spec_.sample_rate; }
    int channels() const override { return 1; }
    long long frames() const override { return length_; }
    std::size_t held_bytes() const override
    {
        return kept_.capacity() + ltc_encoder_get_buffersize(encoder_.get());
    }

    void read(long long first, long count, float* out) override
    {
        const long long end = first + count;
        if (first < next_sample_ - (long long)kept_.size())
            rewind();
        if (first >= next_sample_) {
            kept_.clear();
            pass(first);
        } else if (first != run_end_) { // a new run: what lies before it goes
            kept_.erase(kept_.begin(), kept_.end() - (next_sample_ - first));
        }
        while (next_sample_ < end && next_frame_ < setup_.frames)
            encode(true);
        const long long kept_first = next_sample_ - (long long)kept_.size();
        for (long i = 0; i < count; ++i) {
            const long long at = first + i - kept_first;
            out[i] = at < (long long)kept_.size() ? (float(kept_[std::size_t(at)]) - 128.0f) / 128.0f : 0.0f;
        }
        run_end_ = end;
        if (kept_.size() > kKeptSamples)
            kept_.erase(kept_.begin(), kept_.end() - kKeptSamples);
    }

private:
    void rewind()
    {
        encoder_ = start_encoder(spec_, setup_);
        next_frame_ = 0;
        next_sample_ = 0;
        kept_.clear();
    }

    void encode(bool keep)
    {
        ltc_encoder_encode_frame(encoder_.get());
        ltcsnd_sample_t* buf = nullptr;
        const int n = ltc_encoder_get_bufferptr(encoder_.get(), &buf, 1);
        if (keep)
            kept_.insert(kept_.end(), buf, buf + n);
        ltc_encoder_inc_timecode(encoder_.get());
        ++next_frame_;
        next_sample_ += n;
    }

    // Passes the frames that end before `first`, keeping nothing.
    void pass(long long first)
    {
        if (frame_samples_) {
            const long to = long(std::min<long long>(first / frame_samples_, setup_.frames));
            for (; next_frame_ < to; ++next_frame_)
                ltc_encoder_inc_timecode(encoder_.get());
            next_sample_ = (long long)next_frame_ * frame_samples_;
            return;
        }
        // A frame's length does not depend on the filter: a square wave
        // makes the same lengths, faster.
        const double rise = ltc_encoder_get_filter(encoder_.get());
        ltc_encoder_set_filter(encoder_.get(), 0);
        const long longest = long(ltc_encoder_get_buffersize(encoder_.get()));
        while (next_frame_ < setup_.frames && next_sample_ + longest <= first)
            encode(false);
        ltc_encoder_set_filter(encoder_.get(), rise);
    }

    LtcSpec spec_;
    EncoderSetup setup_;
    long frame_samples_ = 0; // when frames can be made on their own, else 0
    long long length_ = 0;
    Encoder encoder_{nullptr, ltc_encoder_free};
    long next_frame_ = 0;
    long long next_sample_ = 0;       // where next_frame_ begins
    std::vector<unsigned char> kept_; // the samples just before next_sample_
    long long run_end_ = -1;          // where the last read ended
};

} // namespace

std::unique_ptr<AudioSource> ltc_source(const LtcSpec& spec) { return std::make_unique<LtcSource>(spec); }

AudioClip generate_ltc(const LtcSpec& spec)
{
    LtcSource source(spec);
    AudioClip clip;
    clip.rate = spec.sample_rate;
    clip.channels = 1;
    clip.samples.resize(std::size_t(source.frames()));
    for (long long at = 0; at < source.frames(); at += kClipSpan)
        source.read(at, long(std::min<long long>(kClipSpan, source.frames() - at)), clip.samples.data() + at);
    return clip;
}

} // namespace standin
