// Audio files through libsndfile: read whole, or opened and read by span.
#include <sndfile.h>

#include <algorithm>
#include <memory>
#include <string>

#include "AudioClip.h"
#include "AudioSource.h"
#include "Module.h"

namespace standin {

namespace {

using SndFile = std::unique_ptr<SNDFILE, int (*)(SNDFILE*)>;

SndFile open_sound(const std::string& path, SF_INFO& info)
{
    SndFile file(sf_open(path.c_str(), SFM_READ, &info), sf_close);
    if (!file)
        throw HostError("cannot read audio file '" + path + "': " + sf_strerror(nullptr));
    if (info.channels < 1 || info.samplerate < 1)
        throw HostError("audio file '" + path + "' has no channels or no rate");
    if (info.samplerate > kMaxSourceRate)
        throw HostError("audio file '" + path + "' is at " + std::to_string(info.samplerate) +
                        " Hz: the host reads audio up to " + std::to_string(kMaxSourceRate) + " Hz");
    return file;
}

class FileSource final : public AudioSource {
public:
    explicit FileSource(const std::string& path) : file_(open_sound(path, info_))
    {
        if (!info_.seekable)
            throw HostError("audio file '" + path + "' cannot be read from any point");
    }
    double rate() const override { return info_.samplerate; }
    int channels() const override { return info_.channels; }
    long long frames() const override { return info_.frames; }
    void read(long long first, long count, float* out) override
    {
        // What a damaged file does not give is silence, as past its end.
        sf_count_t got = 0;
        if (sf_seek(file_.get(), first, SEEK_SET) == first)
            got = std::max<sf_count_t>(sf_readf_float(file_.get(), out, count), 0);
        std::fill(out + got * info_.channels, out + count * info_.channels, 0.0f);
    }
    std::size_t held_bytes() const override { return 0; }

private:
    SF_INFO info_{};
    SndFile file_;
};

} // namespace

std::unique_ptr<AudioSource> open_audio_file(const std::string& path)
{
    return std::make_unique<FileSource>(path);
}

AudioClip read_audio_file(const std::string& path)
{
    SF_INFO info{};
    SndFile file = open_sound(path, info);
    if (info.frames > (sf_count_t(1) << 31) / info.channels)
        throw HostError("audio file '" + path + "' is too long");
    AudioClip clip;
    clip.rate = info.samplerate;
    clip.channels = info.channels;
    clip.samples.resize(std::size_t(info.frames) * info.channels);
    const sf_count_t got = sf_readf_float(file.get(), clip.samples.data(), info.frames);
    if (got < 0)
        throw HostError("cannot decode audio file '" + path + "'");
    clip.samples.resize(std::size_t(got) * info.channels);
    return clip;
}

} // namespace standin
