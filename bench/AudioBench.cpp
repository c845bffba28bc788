// A layer-audio check-out near the end of a long file against one near the
// end of a short file: windows are read and resampled alone, so the file's
// length should not show.
#include <benchmark/benchmark.h>
#include <sndfile.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "Host.h"

namespace {

constexpr int kRate = 48000;

// A 16-bit mono WAV of `minutes`, made once a run and removed at exit.
class LongFile {
public:
    explicit LongFile(int minutes)
        : path_((std::filesystem::temp_directory_path() /
                 ("marrowtick-audio-bench-" + std::to_string(getpid()) + "-" + std::to_string(minutes) + ".wav"))
                    .string())
    {
        SF_INFO info{};
        info.samplerate = kRate;
        info.channels = 1;
        info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
        SNDFILE* f = sf_open(path_.c_str(), SFM_WRITE, &info);
        if (!f)
            return;
        std::vector<float> second(kRate);
        for (int i = 0; i < kRate; ++i)
            second[std::size_t(i)] = 0.5f * float(std::sin(2 * M_PI * 1000.0 * i / kRate));
        for (int s = 0; s < minutes * 60; ++s)
            sf_writef_float(f, second.data(), kRate);
        sf_close(f);
    }
    ~LongFile() { std::filesystem::remove(path_); }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// The effect's request (8-bit mono at 44.1 kHz, 5 frame durations at 25
// fps) for each of the last 25 frames, in turn.
void BM_CheckoutNearTheEnd(benchmark::State& state)
{
    const int minutes = int(state.range(0));
    static LongFile one(1), twenty(20);
    const LongFile& file = minutes == 1 ? one : twenty;
    standin::Host host;
    host.layer_audio().set_file(file.path());
    PF_InData& in = host.in_data();
    const A_long last = A_long(minutes) * 60 * 25;
    A_long frame = 0;
    for (auto _ : state) {
        PF_LayerAudio handle = nullptr;
        const A_long t = last - 25 + frame;
        frame = (frame + 1) % 25;
        in.inter.checkout_layer_audio(in.effect_ref, 7, t - 3, 5, 25, 0xAC440000, 1, 1, 0, &handle);
        PF_SndSamplePtr data = nullptr;
        A_long count = 0;
        in.inter.get_audio_data(in.effect_ref, handle, &data, &count, nullptr, nullptr, nullptr, nullptr);
        benchmark::DoNotOptimize(data);
        in.inter.checkin_layer_audio(in.effect_ref, handle);
        host.ledger().clear();
    }
    state.counters["held_bytes"] = double(host.layer_audio().held_bytes());
}
BENCHMARK(BM_CheckoutNearTheEnd)->Arg(1)->Arg(20)->Unit(benchmark::kMillisecond);

} // namespace
