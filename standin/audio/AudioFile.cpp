// Audio files read whole through libsndfile, as floats.
#include <sndfile.h>

#include <memory>

#include "AudioClip.h"
#include "Module.h"

namespace standin {

AudioClip read_audio_file(const std::string& path)
{
    SF_INFO info{};
    std::unique_ptr<SNDFILE, int (*)(SNDFILE*)> file(sf_open(path.c_str(), SFM_READ, &info), sf_close);
    if (!file)
        throw HostError("cannot read audio file '" + path + "': " + sf_strerror(nullptr));
    if (info.channels < 1 || info.samplerate < 1)
        throw HostError("audio file '" + path + "' has no channels or no rate");
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
