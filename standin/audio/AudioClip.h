// A layer's decoded audio as the host keeps it: floats at the source's rate.
#pragma once

#include <string>
#include <vector>

namespace standin {

struct AudioClip {
    double rate = 48000;        // samples a second, > 0
    int channels = 1;           // >= 1
    std::vector<float> samples; // interleaved, frames() * channels, each -1..1

    long frames() const { return channels > 0 ? long(samples.size() / channels) : 0; }
};

// Reads a whole WAV, AIFF or FLAC file (any depth, rate and channel count)
// through libsndfile. Throws HostError with a one-line reason.
AudioClip read_audio_file(const std::string& path);

} // namespace standin
