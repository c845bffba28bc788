// Two effect instances, each in a host of its own, rendering at once on two
// threads, as the real host's render threads do; x_alone is a frame's wall
// time side by side over a frame's alone, measured in the same run.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <barrier>
#include <chrono>
#include <string>
#include <thread>

#include "Host.h"
#include "InputPicture.h"
#include "LtcSignal.h"
#include "Params.h"
#include "World.h"

namespace {

using Clock = std::chrono::steady_clock;

// One instance over the test picture with 25 fps LTC at 48 kHz.
class Renderer {
public:
    Renderer(A_long width, A_long height, bool deep, int threads)
        : host_({MARROWTICK_MODULE_PATH}), input_(standin::InputPicture::test_picture(width, height, deep)),
          output_(width, height, deep)
    {
        host_.load();
        ok_ = host_.create_instance() == PF_Err_NONE;
        host_.set_threads(threads);
        standin::LtcSpec ltc;
        ltc.start = {1, 0, 0, 0};
        ltc.frames = 500;
        host_.layer_audio().set_clip(standin::generate_ltc(ltc));
        host_.params()[PARAM_POSITION].u.td.x_value = (width / 2) << 16;
        host_.params()[PARAM_POSITION].u.td.y_value = (height / 2) << 16;
        request_.input = &input_.def();
    }

    bool ok() const { return ok_; }

    // Renders the next frame; its wall time in seconds.
    double render_next()
    {
        request_.current_time = A_long(frame_);
        frame_ = frame_ < 480 ? frame_ + 1 : 10;
        const auto t0 = Clock::now();
        ok_ = ok_ && host_.render_frame(request_, output_.def()) == PF_Err_NONE;
        const double seconds = std::chrono::duration<double>(Clock::now() - t0).count();
        host_.ledger().clear();
        return seconds;
    }

private:
    standin::Host host_;
    standin::World input_, output_;
    standin::FrameRequest request_;
    long frame_ = 10;
    bool ok_ = false;
};

// Each iteration renders a frame of the first instance alone, then one of
// each instance at once, so that the machine's other load weighs on both
// figures alike.
void side_by_side(benchmark::State& state, A_long width, A_long height, bool deep, int threads)
{
    Renderer first(width, height, deep, threads), second(width, height, deep, threads);
    if (!first.ok() || !second.ok()) {
        state.SkipWithError("an instance could not be created");
        return;
    }
    for (int i = 0; i < 3; ++i) {
        first.render_next();
        second.render_next();
    }

    std::barrier sync(2);
    std::atomic<bool> done{false};
    double second_total = 0;
    std::thread partner([&] {
        for (;;) {
            sync.arrive_and_wait();
            if (done.load())
                return;
            second_total += second.render_next();
            sync.arrive_and_wait();
        }
    });
    double alone_total = 0, first_total = 0;
    long frames = 0;
    for (auto _ : state) {
        alone_total += first.render_next();
        sync.arrive_and_wait();
        const double seconds = first.render_next();
        sync.arrive_and_wait();
        first_total += seconds;
        ++frames;
        state.SetIterationTime(seconds);
    }
    done = true;
    sync.arrive_and_wait();
    partner.join();
    if (!first.ok() || !second.ok()) {
        state.SkipWithError("a render failed");
        return;
    }
    state.counters["alone_ms"] = alone_total / double(frames) * 1e3;
    state.counters["x_alone"] = (first_total + second_total) / 2 / alone_total;
    state.counters["x_alone_worst"] = std::max(first_total, second_total) / alone_total;
}

const int kRegistered = [] {
    for (bool deep : {false, true})
        for (int threads : {1, 0}) {
            const std::string name = std::string("side_by_side/1920x1080/") + (deep ? "16bit/" : "8bit/") +
                                     (threads ? "1" : "all");
            benchmark::RegisterBenchmark(name.c_str(), side_by_side, 1920, 1080, deep, threads)
                ->UseManualTime()
                ->Unit(benchmark::kMillisecond);
        }
    return 0;
}();

} // namespace
