// The whole render through EffectMain in the stand-in host, in units of one
// memcpy of the output frame from memory to memory (x_copy) and within the
// caches (x_hot_copy), and the LTC decoding alone.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

#include "Host.h"
#include "InputPicture.h"
#include "LtcSignal.h"
#include "Params.h"
#include "World.h"
#include "overlay/TimecodeDecoder.h"

namespace {

using Clock = std::chrono::steady_clock;

// Pushes `bytes` at `data` out of every cache level, so that the next access
// goes to memory.
void evict(const void* data, std::size_t bytes)
{
    const auto* p = static_cast<const char*>(data);
#if defined(__x86_64__) || defined(__i386__)
    for (std::size_t i = 0; i < bytes; i += 64)
        _mm_clflush(p + i);
    _mm_mfence();
#elif defined(__aarch64__)
    for (std::size_t i = 0; i < bytes; i += 64)
        asm volatile("dc civac, %0" : : "r"(p + i) : "memory");
    asm volatile("dsb ish" : : : "memory");
#else
    // Written over by more than any last-level cache holds.
    static std::vector<char> scratch(std::size_t(512) << 20);
    (void)p;
    (void)bytes;
    for (std::size_t i = 0; i < scratch.size(); i += 64)
        scratch[i] = char(i);
    benchmark::DoNotOptimize(scratch.data());
#endif
}

struct CopySeconds {
    double cold; // from and to memory: the same work on every machine
    double hot;  // within the caches, as far as the frame fits them
};

// One memcpy of `bytes`, the best of several runs each way.
CopySeconds frame_copy_seconds(std::size_t bytes)
{
    std::vector<unsigned char> from(bytes, 1), to(bytes, 2);
    auto timed_copy = [&] {
        const auto t0 = Clock::now();
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
        return std::chrono::duration<double>(Clock::now() - t0).count();
    };
    CopySeconds best{1e9, 1e9};
    for (int i = 0; i < 20; ++i) {
        evict(from.data(), bytes);
        evict(to.data(), bytes);
        best.cold = std::min(best.cold, timed_copy());
    }
    for (int i = 0; i < 20; ++i)
        best.hot = std::min(best.hot, timed_copy());
    return best;
}

// Renders successive frames of 25 fps LTC at 48 kHz over the test picture.
void render(benchmark::State& state, A_long width, A_long height, bool deep, int threads)
{
    standin::Host host({MARROWTICK_MODULE_PATH});
    host.load();
    if (host.create_instance() != PF_Err_NONE) {
        state.SkipWithError("the instance could not be created");
        return;
    }
    host.set_threads(threads);
    standin::LtcSpec ltc;
    ltc.start = {1, 0, 0, 0};
    ltc.frames = 500;
    host.layer_audio().set_clip(standin::generate_ltc(ltc));
    PF_ParamDef& position = host.params()[PARAM_POSITION];
    position.u.td.x_value = (width / 2) << 16;
    position.u.td.y_value = (height / 2) << 16;

    standin::World input = standin::InputPicture::test_picture(width, height, deep);
    standin::World output(width, height, deep);
    standin::FrameRequest request;
    request.input = &input.def();

    const CopySeconds copy = frame_copy_seconds(std::size_t(output.def().rowbytes) * std::size_t(height));
    long frame = 10;
    double total = 0;
    for (auto _ : state) {
        request.current_time = A_long(frame);
        frame = frame < 480 ? frame + 1 : 10;
        const auto t0 = Clock::now();
        const PF_Err err = host.render_frame(request, output.def());
        total += std::chrono::duration<double>(Clock::now() - t0).count();
        if (err) {
            state.SkipWithError(("render returned " + std::to_string(err)).c_str());
            break;
        }
        host.ledger().clear();
    }
    state.counters["x_copy"] = benchmark::Counter(total / copy.cold, benchmark::Counter::kAvgIterations);
    state.counters["x_hot_copy"] = benchmark::Counter(total / copy.hot, benchmark::Counter::kAvgIterations);
}

void decode(benchmark::State& state)
{
    const A_long width = A_long(state.range(0));
    standin::LtcSpec spec;
    spec.sample_rate = 44100;
    spec.frames = width + 1;
    const standin::AudioClip clip = standin::generate_ltc(spec);
    std::vector<uint8_t> samples(clip.samples.size());
    std::transform(clip.samples.begin(), clip.samples.end(), samples.begin(),
                   [](float v) { return uint8_t(v * 128.0f + 128.0f); });
    for (auto _ : state) {
        TimecodeText text;
        decode_ltc_text(samples.data(), A_long(samples.size()), 25, 1, text);
        benchmark::DoNotOptimize(text);
    }
}

const int kRegistered = [] {
    for (auto [w, h] : {std::pair{1920, 1080}, {3840, 2160}})
        for (bool deep : {false, true})
            for (int threads : {1, 0}) {
                const std::string name = "render/" + std::to_string(w) + "x" + std::to_string(h) + "/" +
                                         (deep ? "16bit/" : "8bit/") + (threads ? "1" : "all");
                benchmark::RegisterBenchmark(name.c_str(), render, w, h, deep, threads)
                    ->Unit(benchmark::kMillisecond);
            }
    benchmark::RegisterBenchmark("decode", decode)->ArgName("width")->Arg(4)->Arg(60)
        ->Unit(benchmark::kMicrosecond);
    return 0;
}();

} // namespace

BENCHMARK_MAIN();
