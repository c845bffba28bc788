// Spans of a layer's audio at any rate, read from its source on demand and
// resampled with soxr (high quality, one thread). A span equals the same
// span of the whole clip resampled in one pass, to float precision: the
// resampler starts where the input and output sample grids meet, far
// enough before the span for its filter to settle, and reads as far past
// it. Nothing of the clip is kept besides what the source keeps.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

#include "AudioSource.h"
#include "PF_Callbacks.h"

namespace standin {

class AudioSpans {
public:
    // A stream served: a source channel from 0, or kMix, the average of all.
    static constexpr int kMix = -1;
    // Receives `count` frames from index `first`, interleaved by stream;
    // the data is valid during the call only.
    using Sink = std::function<void(long long first, long count, const float* frames)>;

    explicit AudioSpans(std::unique_ptr<AudioSource> source);
    ~AudioSpans();
    AudioSpans(const AudioSpans&) = delete;
    AudioSpans& operator=(const AudioSpans&) = delete;

    const AudioSource& source() const { return *source_; }

    // Frames of the whole clip at `rate` (16.16 Hz, > 0).
    long long length(PF_UFixed rate) const;
    // Whether spans at `rate` can be made: its sample grid meets the
    // source's within 2^20 source frames (every whole rate does), so that a
    // span's resampling starts at most that far before it.
    bool serves(PF_UFixed rate) const;
    // Frames [first, end) of the clip at `rate` (one it serves), those within
    // 0..length(rate), of the streams `picks`, handed to `sink` in order.
    void serve(PF_UFixed rate, const std::vector<int>& picks, long long first, long long end, const Sink& sink);

    // Bytes held: the source's and the working buffers'. They depend on the
    // source's channel count, never on its length.
    std::size_t held_bytes() const;

private:
    void read_picks(const std::vector<int>& picks, long long first, long count);
    void copy_span(const std::vector<int>& picks, long long first, long long end, const Sink& sink);

    std::unique_ptr<AudioSource> source_;
    long chunk_frames_;
    std::vector<float> frames_;  // chunk_frames_ source frames, interleaved
    std::vector<float> picked_;  // chunk_frames_ frames of the picked streams
    std::vector<float> resampled_;
};

} // namespace standin
