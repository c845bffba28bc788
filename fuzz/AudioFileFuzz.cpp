// Arbitrary bytes as an --audio file, its windows checked out as the effect
// does and at 16 bits on two channels: a file the host cannot take is
// refused with a HostError; every window of one it takes is handed out with
// the samples its span asks for and given back, whatever the file declares.
#include <cstdint>

#include "FuzzSupport.h"
#include "Host.h"

namespace {

// The frames from t to t + 5 of a 25 fps clip at `hz`.
A_long window_count(A_long t, A_long hz) { return A_long(((t + 5) * hz - t * hz) / 25); }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static FuzzFile file;
    static standin::Host host;
    const std::string& path = file.write(data, size);
    try {
        host.layer_audio().set_file(path);
    } catch (const standin::HostError&) {
        return 0;
    }
    struct Request {
        A_long hz, bytes, channels, fmt_signed;
    };
    PF_InData& in = host.in_data();
    for (const A_long t : {-2, 0, 3, 40}) {
        for (const Request& r : {Request{44100, 1, 1, 0}, Request{48000, 2, 2, 1}}) {
            PF_LayerAudio handle = nullptr;
            fuzz_check(in.inter.checkout_layer_audio(in.effect_ref, 7, t, 5, 25, PF_UFixed(r.hz) << 16, r.bytes,
                                                     r.channels, r.fmt_signed, &handle) == PF_Err_NONE &&
                           handle,
                       "audio file", "a check-out failed");
            PF_SndSamplePtr samples = nullptr;
            A_long count = 0;
            fuzz_check(in.inter.get_audio_data(in.effect_ref, handle, &samples, &count, nullptr, nullptr, nullptr,
                                               nullptr) == PF_Err_NONE,
                       "audio file", "the window's data could not be had");
            fuzz_check(samples && count == window_count(t, r.hz), "audio file", "a window of another length");
            fuzz_check(in.inter.checkin_layer_audio(in.effect_ref, handle) == PF_Err_NONE, "audio file",
                       "a check-in failed");
        }
    }
    host.layer_audio().clear_clip();
    fuzz_check(host.held().empty(), "audio file", "a window was not given back");
    fuzz_check(host.ledger().first_misuse().empty(), "audio file", "the host saw a misuse");
    host.ledger().clear();
    return 0;
}
