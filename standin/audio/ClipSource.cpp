// Audio the host keeps in memory, served as spans like a file's.
#include <algorithm>
#include <cmath>
#include <string>

#include "AudioSource.h"
#include "Module.h"

namespace standin {

namespace {

class ClipSource final : public AudioSource {
public:
    explicit ClipSource(AudioClip clip) : clip_(std::move(clip)) {}
    double rate() const override { return clip_.rate; }
    int channels() const override { return clip_.channels; }
    long long frames() const override { return clip_.frames(); }
    void read(long long first, long count, float* out) override
    {
        const auto from = clip_.samples.begin() + first * clip_.channels;
        std::copy(from, from + count * clip_.channels, out);
    }
    std::size_t held_bytes() const override { return clip_.samples.capacity() * sizeof(float); }

private:
    AudioClip clip_;
};

} // namespace

std::unique_ptr<AudioSource> clip_source(AudioClip clip)
{
    if (clip.channels < 1 || !(clip.rate >= 1 && clip.rate <= kMaxSourceRate) || clip.rate != std::floor(clip.rate))
        throw HostError("an audio clip needs a channel and a whole rate up to " + std::to_string(kMaxSourceRate) +
                        " Hz");
    return std::make_unique<ClipSource>(std::move(clip));
}

} // namespace standin
