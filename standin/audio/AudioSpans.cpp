#include "AudioSpans.h"

#include <soxr.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numeric>
#include <stdexcept>
#include <string>

namespace standin {

namespace {

// Source frames read and resampled at a time; fewer with many channels.
constexpr long kChunkFrames = 4096;
constexpr std::size_t kChunkBytes = std::size_t(1) << 20;
constexpr long long kMaxPeriod = 1LL << 20;

double out_hz(PF_UFixed rate) { return rate / 65536.0; }

// The source frames after which the input and output sample grids meet
// again, and the output frames that they make: 160 and 147 from 48 kHz to
// 44.1 kHz. {0, 0} when the period is longer than kMaxPeriod.
struct Period {
    long long in = 0, out = 0;
};
Period grid_period(double in_rate, PF_UFixed rate)
{
    const uint64_t in = uint64_t(in_rate) << 16;
    const uint64_t g = std::gcd(in, uint64_t(rate));
    if (in / g > uint64_t(kMaxPeriod))
        return {};
    return {(long long)(in / g), (long long)(rate / g)};
}

struct SoxrDeleter {
    void operator()(soxr* s) const { soxr_delete(s); }
};

} // namespace

AudioSpans::AudioSpans(std::unique_ptr<AudioSource> source)
    : source_(std::move(source)),
      chunk_frames_(std::clamp(long(kChunkBytes / (sizeof(float) * source_->channels())), 64L, kChunkFrames))
{
}

AudioSpans::~AudioSpans() = default;

long long AudioSpans::length(PF_UFixed rate) const
{
    const double in_rate = source_->rate();
    if (out_hz(rate) == in_rate)
        return source_->frames();
    return std::llround(double(source_->frames()) * out_hz(rate) / in_rate);
}

bool AudioSpans::serves(PF_UFixed rate) const
{
    return rate > 0 && (out_hz(rate) == source_->rate() || grid_period(source_->rate(), rate).in > 0);
}

std::size_t AudioSpans::held_bytes() const
{
    return source_->held_bytes() +
           (frames_.capacity() + picked_.capacity() + resampled_.capacity()) * sizeof(float);
}

void AudioSpans::read_picks(const std::vector<int>& picks, long long first, long count)
{
    const int channels = source_->channels();
    frames_.resize(std::size_t(chunk_frames_) * channels);
    picked_.resize(std::size_t(chunk_frames_) * picks.size());
    source_->read(first, count, frames_.data());
    float* out = picked_.data();
    for (long i = 0; i < count; ++i) {
        const float* frame = &frames_[std::size_t(i) * channels];
        for (int pick : picks) {
            if (pick == kMix) {
                float sum = 0.0f;
                for (int k = 0; k < channels; ++k)
                    sum += frame[k];
                *out++ = sum / float(channels);
            } else {
                *out++ = frame[pick];
            }
        }
    }
}

void AudioSpans::copy_span(const std::vector<int>& picks, long long first, long long end, const Sink& sink)
{
    for (long long at = first; at < end; at += chunk_frames_) {
        const long count = long(std::min<long long>(chunk_frames_, end - at));
        read_picks(picks, at, count);
        sink(at, count, picked_.data());
    }
}

void AudioSpans::serve(PF_UFixed rate, const std::vector<int>& picks, long long first, long long end,
                       const Sink& sink)
{
    first = std::max(first, 0LL);
    end = std::min(end, length(rate));
    if (first >= end || picks.empty())
        return;
    if (!serves(rate))
        throw std::invalid_argument("no span at " + std::to_string(rate) + "/65536 Hz");
    const double in_rate = source_->rate();
    const double ratio = in_rate / out_hz(rate); // source frames an output frame
    if (ratio == 1.0)
        return copy_span(picks, first, end, sink);

    // Enough source on each side for soxr's filter, which spans more
    // source frames the more the rate drops.
    const long long context = 512 + 256 * (long long)std::ceil(ratio);
    const Period period = grid_period(in_rate, rate);
    const long long wanted = (long long)std::floor(double(first) * ratio) - context;
    const long long laps = wanted > 0 ? wanted / period.in : 0;
    const long long in_first = laps * period.in;
    long long out_at = laps * period.out; // the output frame soxr makes next
    const long long in_end =
        std::min(source_->frames(), (long long)std::ceil(double(end) * ratio) + context);

    soxr_error_t error = nullptr;
    const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
    // One thread: the same input always gives the same samples.
    const soxr_runtime_spec_t runtime = soxr_runtime_spec(1);
    std::unique_ptr<soxr, SoxrDeleter> resampler(
        soxr_create(in_rate, out_hz(rate), unsigned(picks.size()), &error, &io, &quality, &runtime));
    if (error)
        throw std::runtime_error(std::string("resampling failed: ") + error);

    const std::size_t streams = picks.size();
    resampled_.resize(std::size_t(chunk_frames_) * streams);
    long long read_at = in_first;
    const float* pending = nullptr;
    std::size_t pending_frames = 0;
    while (out_at < end) {
        if (pending_frames == 0 && read_at < in_end) {
            const long count = long(std::min<long long>(chunk_frames_, in_end - read_at));
            read_picks(picks, read_at, count);
            read_at += count;
            pending = picked_.data();
            pending_frames = std::size_t(count);
        }
        // No input left: soxr drains what its filter holds.
        const bool draining = pending_frames == 0;
        std::size_t used = 0, made = 0;
        error = soxr_process(resampler.get(), draining ? nullptr : pending, pending_frames, &used,
                             resampled_.data(), std::size_t(chunk_frames_), &made);
        if (error)
            throw std::runtime_error(std::string("resampling failed: ") + error);
        pending += used * streams;
        pending_frames -= used;
        const long long from = std::max(out_at, first);
        const long long to = std::min(out_at + (long long)made, end);
        if (from < to)
            sink(from, long(to - from), resampled_.data() + std::size_t(from - out_at) * streams);
        out_at += (long long)made;
        if (draining && made == 0)
            break;
    }
}

} // namespace standin
