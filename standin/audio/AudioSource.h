// Where a layer's audio comes from: a file read on demand, or samples the
// host keeps in memory (the LTC it generates). Both serve spans of frames.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "AudioClip.h"

namespace standin {

// The highest rate of a source: its sample grid meets that of any whole
// rate within a second of it, which bounds a window's resampling.
constexpr int kMaxSourceRate = 384000;

class AudioSource {
public:
    virtual ~AudioSource() = default;
    virtual double rate() const = 0;       // whole samples a second, 1..kMaxSourceRate
    virtual int channels() const = 0;      // >= 1
    virtual long long frames() const = 0;  // length in sample frames
    // Frames [first, first + count), all within 0..frames(), interleaved
    // into out (count * channels() floats, each -1..1); what a damaged file
    // cannot give is silence.
    virtual void read(long long first, long count, float* out) = 0;
    // Bytes the source keeps in memory whatever is read.
    virtual std::size_t held_bytes() const = 0;
};

// Takes the clip over. Throws HostError without a channel, or without a
// whole rate up to kMaxSourceRate.
std::unique_ptr<AudioSource> clip_source(AudioClip clip);
// Opens a WAV, AIFF or FLAC file (any depth, rate and channel count)
// through libsndfile, at rates up to kMaxSourceRate; reads it only as spans
// are asked for. Throws HostError with a one-line reason.
std::unique_ptr<AudioSource> open_audio_file(const std::string& path);

} // namespace standin
