// The layer's audio as the effect checks it out: inter.checkout_layer_audio,
// inter.get_audio_data and inter.checkin_layer_audio, each recorded in the
// ledger under those names and open to fault injection.
#pragma once

#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "AudioClip.h"
#include "AudioSpans.h"
#include "LtcSignal.h"
#include "PF_Callbacks.h"

namespace standin {

// One check-out's request, as the callback receives it.
struct AudioRequest {
    A_long start = 0;      // in time_scale units; may be negative
    A_long duration = 0;   // in time_scale units; <= 0 gives no samples
    A_u_long time_scale = 1;
    PF_UFixed rate = 0;    // 16.16 Hz, > 0
    A_long bytes_per_sample = 1; // 1, 2 or 4
    A_long channels = 1;         // >= 1, interleaved
    A_long fmt_signed = 0;       // 0 unsigned (silence mid-scale: 128, 32768...), 1 signed
};

// A request at a rate whose sample grid meets the source's too seldom
// (AudioSpans::serves): the host makes no audio at such a rate.
struct UnservedRate : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// One checked-out window: owned by the host until check-in.
struct AudioWindow {
    AudioRequest request;
    long long first_sample = 0;       // index at the requested rate of the first sample
    A_long count = 0;                 // sample frames
    std::vector<unsigned char> bytes; // count * channels * bytes_per_sample, native endian
};

class LayerAudio {
public:
    LayerAudio();
    ~LayerAudio();

    // The layer's audio: samples kept in memory, a file read as windows
    // are checked out (throws HostError when it cannot be opened), or LTC
    // generated as they are. Without any every check-out gives a null handle.
    void set_clip(AudioClip clip);
    void set_file(const std::string& path);
    void set_ltc(const LtcSpec& spec);
    void clear_clip();
    bool has_clip() const { return spans_ != nullptr; }
    // Which source channel a one-channel request gets: 1-based, 0 the mix
    // (average) of all. Throws HostError when the clip has fewer channels.
    void set_channel(int channel);
    int channel() const { return channel_; }

    // The window a check-out delivers (host-side, not recorded). Sample i of
    // the window is sample first_sample + i of the clip resampled (soxr) to
    // the request's rate, where first_sample is
    // floor(start * rate / time_scale) and the window ends before
    // floor((start + duration) * rate / time_scale). Samples before 0 or past
    // the end are silence. Only the window's span is read and resampled
    // (AudioSpans). Throws std::invalid_argument on a bad request,
    // UnservedRate and std::length_error past 64 MiB a window.
    AudioWindow window(const AudioRequest& request);

    // Windows checked out and not yet checked in.
    int held_count() const { return int(held_.size()); }
    // Bytes the host holds for the layer's audio: the source's, the
    // working buffers' and the windows checked out.
    std::size_t held_bytes() const;

    // Puts the three callbacks into the input record's table.
    static void install(PF_InteractCallbacks& inter);

    // Used by the callbacks.
    PF_LayerAudio check_out(const AudioRequest& request);
    AudioWindow* find(PF_LayerAudio handle) const;
    void check_in(PF_LayerAudio handle);

private:
    void set_source(std::unique_ptr<AudioSource> source);

    std::unique_ptr<AudioSpans> spans_;
    int channel_ = 0;
    std::map<AudioWindow*, std::unique_ptr<AudioWindow>> held_;
};

} // namespace standin
