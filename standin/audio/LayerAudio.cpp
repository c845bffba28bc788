#include "LayerAudio.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>

#include "CallGuard.h"

namespace standin {

namespace {

constexpr std::size_t kMaxWindowBytes = std::size_t(64) << 20;

// floor(t * rate / (scale * 65536)), exact for every 32-bit input.
long long sample_index(long long t, PF_UFixed rate, A_u_long scale)
{
    const __int128 n = __int128(t) * rate;
    const __int128 d = __int128(scale) << 16;
    __int128 q = n / d;
    if (n % d != 0 && n < 0)
        --q;
    return (long long)q;
}

// One float sample -1..1 into the requested integer format, native endian.
void store_sample(float v, A_long bytes, bool is_signed, unsigned char* out)
{
    const double x = std::clamp(double(v), -1.0, 1.0);
    switch (bytes) {
    case 1: {
        const int s = int(std::clamp(std::lround(x * 128.0), -128L, 127L));
        const uint8_t u = is_signed ? uint8_t(int8_t(s)) : uint8_t(s + 128);
        std::memcpy(out, &u, 1);
        break;
    }
    case 2: {
        const long s = std::clamp(std::lround(x * 32768.0), -32768L, 32767L);
        const uint16_t u = is_signed ? uint16_t(int16_t(s)) : uint16_t(s + 32768);
        std::memcpy(out, &u, 2);
        break;
    }
    default: {
        const long long s = std::clamp(std::llround(x * 2147483648.0), -2147483648LL, 2147483647LL);
        const uint32_t u = is_signed ? uint32_t(int32_t(s)) : uint32_t(s + 2147483648LL);
        std::memcpy(out, &u, 4);
        break;
    }
    }
}

} // namespace

LayerAudio::LayerAudio() = default;
LayerAudio::~LayerAudio() = default;

void LayerAudio::set_source(std::unique_ptr<AudioSource> source)
{
    spans_ = std::make_unique<AudioSpans>(std::move(source));
    if (channel_ > spans_->source().channels())
        channel_ = 0;
}

void LayerAudio::set_clip(AudioClip clip) { set_source(clip_source(std::move(clip))); }

void LayerAudio::set_file(const std::string& path) { set_source(open_audio_file(path)); }

void LayerAudio::set_ltc(const LtcSpec& spec) { set_source(ltc_source(spec)); }

void LayerAudio::clear_clip() { spans_.reset(); }

void LayerAudio::set_channel(int channel)
{
    const int available = spans_ ? spans_->source().channels() : 0;
    if (channel < 0 || (channel > 0 && channel > available))
        throw HostError("channel " + std::to_string(channel) + " does not exist (the audio has " +
                        std::to_string(available) + ")");
    channel_ = channel;
}

std::size_t LayerAudio::held_bytes() const
{
    std::size_t bytes = spans_ ? spans_->held_bytes() : 0;
    for (const auto& [handle, window] : held_)
        bytes += window->bytes.capacity();
    return bytes;
}

AudioWindow LayerAudio::window(const AudioRequest& r)
{
    if (r.time_scale == 0 || r.rate == 0)
        throw std::invalid_argument("a time scale and a rate of 0");
    if (r.bytes_per_sample != 1 && r.bytes_per_sample != 2 && r.bytes_per_sample != 4)
        throw std::invalid_argument("bytes per sample " + std::to_string(r.bytes_per_sample) + " (1, 2 or 4)");
    if (r.channels < 1 || r.channels > 64)
        throw std::invalid_argument("channel count " + std::to_string(r.channels));
    if (r.fmt_signed != 0 && r.fmt_signed != 1)
        throw std::invalid_argument("signedness " + std::to_string(r.fmt_signed) + " (0 or 1)");
    if (spans_ && !spans_->serves(r.rate))
        throw UnservedRate("no audio at " + std::to_string(r.rate) + "/65536 Hz");
    AudioWindow w;
    w.request = r;
    w.first_sample = sample_index(r.start, r.rate, r.time_scale);
    const long long end = r.duration > 0 ? sample_index((long long)r.start + r.duration, r.rate, r.time_scale)
                                         : w.first_sample;
    const long long count = end - w.first_sample;
    const std::size_t frame_bytes = std::size_t(r.channels) * r.bytes_per_sample;
    if (count > (long long)(kMaxWindowBytes / frame_bytes))
        throw std::length_error("an audio window of " + std::to_string(count) + " samples passes the host's " +
                                std::to_string(kMaxWindowBytes >> 20) + " MiB a window");
    w.count = A_long(count);
    w.bytes.resize(std::size_t(count) * frame_bytes);
    const bool is_signed = r.fmt_signed != 0;
    unsigned char silence[4];
    store_sample(0.0f, r.bytes_per_sample, is_signed, silence);
    for (std::size_t at = 0; at < w.bytes.size(); at += std::size_t(r.bytes_per_sample))
        std::memcpy(&w.bytes[at], silence, std::size_t(r.bytes_per_sample));
    if (!spans_)
        return w;

    // One channel: the chosen one or the mix; several: source channel by
    // channel, a mono source in every one, silence past the last.
    const int channels = spans_->source().channels();
    std::vector<int> picks;
    if (r.channels == 1)
        picks.push_back(channel_ == 0 ? AudioSpans::kMix : channel_ - 1);
    else
        for (int c = 0; c < std::min<int>(r.channels, channels); ++c)
            picks.push_back(c);
    const std::size_t streams = picks.size();
    spans_->serve(r.rate, picks, w.first_sample, end, [&](long long first, long frames, const float* data) {
        unsigned char* out = &w.bytes[std::size_t(first - w.first_sample) * frame_bytes];
        for (long i = 0; i < frames; ++i, data += streams)
            for (A_long c = 0; c < r.channels; ++c, out += r.bytes_per_sample) {
                const std::size_t from = streams == 1 ? 0 : std::size_t(c);
                if (from < streams)
                    store_sample(data[from], r.bytes_per_sample, is_signed, out);
            }
    });
    return w;
}

PF_LayerAudio LayerAudio::check_out(const AudioRequest& request)
{
    if (!spans_)
        return nullptr;
    auto window_ptr = std::make_unique<AudioWindow>(window(request));
    AudioWindow* handle = window_ptr.get();
    held_.emplace(handle, std::move(window_ptr));
    return reinterpret_cast<PF_LayerAudio>(handle);
}

AudioWindow* LayerAudio::find(PF_LayerAudio handle) const
{
    auto it = held_.find(reinterpret_cast<AudioWindow*>(handle));
    return it == held_.end() ? nullptr : it->second.get();
}

void LayerAudio::check_in(PF_LayerAudio handle)
{
    auto it = held_.find(reinterpret_cast<AudioWindow*>(handle));
    if (it == held_.end())
        throw std::logic_error("check-in of audio that is not checked out: " + hex(handle));
    held_.erase(it);
}

namespace {

LayerAudio& audio() { return Host::current().layer_audio(); }

PF_Err checkout_layer_audio(PF_ProgPtr, PF_ParamIndex index, A_long start, A_long duration, A_u_long time_scale,
                            PF_UFixed rate, A_long bytes_per_sample, A_long channels, A_long fmt_signed,
                            PF_LayerAudio* handle)
{
    const auto args = [&] {
        return "param=" + std::to_string(index) + " start=" + std::to_string(start) + " duration=" +
               std::to_string(duration) + " scale=" + std::to_string(time_scale) + " rate=" + std::to_string(rate) +
               " bytes=" + std::to_string(bytes_per_sample) + " channels=" + std::to_string(channels) +
               " signed=" + std::to_string(fmt_signed);
    };
    if (handle)
        *handle = nullptr;
    return guarded("inter.checkout_layer_audio", args, [&](bool give_null) {
        Host::current().declarations().require(PF_OutFlag_I_USE_AUDIO, "PF_OutFlag_I_USE_AUDIO",
                                               "an audio check-out");
        if (!handle)
            throw std::invalid_argument("null handle pointer");
        if (index < 0)
            throw std::invalid_argument("parameter index " + std::to_string(index));
        if (give_null)
            return PF_Err_NONE;
        try {
            *handle = audio().check_out({start, duration, time_scale, rate, bytes_per_sample, channels, fmt_signed});
        } catch (const std::length_error&) {
            return PF_Err_OUT_OF_MEMORY;
        } catch (const UnservedRate&) {
            return PF_Err_BAD_CALLBACK_PARAM;
        }
        return PF_Err_NONE;
    });
}

PF_Err get_audio_data(PF_ProgPtr, PF_LayerAudio handle, PF_SndSamplePtr* data, A_long* count, PF_UFixed* rate,
                      A_long* bytes_per_sample, A_long* channels, A_long* fmt_signed)
{
    return guarded("inter.get_audio_data", handle, [&](bool give_null) {
        AudioWindow* w = audio().find(handle);
        if (!w)
            throw std::logic_error("audio data of a handle that is not checked out: " + hex(handle));
        const bool empty = give_null || w->bytes.empty();
        if (data)
            *data = empty ? nullptr : w->bytes.data();
        if (count)
            *count = give_null ? 0 : w->count;
        if (rate)
            *rate = w->request.rate;
        if (bytes_per_sample)
            *bytes_per_sample = w->request.bytes_per_sample;
        if (channels)
            *channels = w->request.channels;
        if (fmt_signed)
            *fmt_signed = w->request.fmt_signed;
        return PF_Err_NONE;
    });
}

PF_Err checkin_layer_audio(PF_ProgPtr, PF_LayerAudio handle)
{
    bool released = false;
    const PF_Err err = guarded("inter.checkin_layer_audio", handle, [&](bool) {
        audio().check_in(handle);
        released = true;
        return PF_Err_NONE;
    });
    // A check-in that reports a failure still gives the window back; one
    // refused on a pixel callback's thread is not run at all.
    if (!released && !in_pixel_callback() && audio().find(handle))
        audio().check_in(handle);
    return err;
}

} // namespace

void LayerAudio::install(PF_InteractCallbacks& inter)
{
    inter.checkout_layer_audio = checkout_layer_audio;
    inter.get_audio_data = get_audio_data;
    inter.checkin_layer_audio = checkin_layer_audio;
}

} // namespace standin
