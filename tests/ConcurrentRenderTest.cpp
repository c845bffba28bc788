// Several hosts rendering at once on their own threads, as the real host's
// render threads do: every frame is the frame that host renders alone.
#include <gtest/gtest.h>

#include <barrier>
#include <string>
#include <thread>
#include <vector>

#include "InputPicture.h"
#include "LtcSignal.h"
#include "ParamChange.h"
#include "RenderFixture.h"
#include "overlay/Params.h"

namespace {

struct Look {
    A_long width, height;
    bool deep;
    std::string family; // empty: the effect's default
    bool bold;
    double font_size;
    int threads; // the host's pixel threads
};

// One effect instance in a host of its own over the test picture with LTC,
// set up by every host command that is not a render: safe on any thread.
struct Rig {
    explicit Rig(const Look& l) : look(l), input(standin::InputPicture::test_picture(l.width, l.height, l.deep))
    {
        EXPECT_EQ(host.load(), PF_Err_NONE);
        EXPECT_EQ(host.create_instance(), PF_Err_NONE);
        if (!look.family.empty()) {
            host.scripts().set_user(standin::DialogUser::ok_with(look.family));
            EXPECT_EQ(standin::user_changed_param(host, PARAM_FONT_BUTTON), PF_Err_NONE);
        }
        host.set_threads(look.threads);
        host.params()[PARAM_FONT_SIZE].u.fs_d.value = look.font_size;
        host.params()[PARAM_FONT_WEIGHT].u.pd.value = look.bold ? 1 : 2;
        host.params()[PARAM_POSITION].u.td.x_value = PF_Fixed(look.width / 8) << 16;
        host.params()[PARAM_POSITION].u.td.y_value = PF_Fixed(look.height * 3 / 4) << 16;
        host.layer_audio().set_clip(standin::generate_ltc({.start = {10, 59, 59, 20}, .frames = 40}));
    }

    // Frame `frame` at the host's default time base; err says how it went.
    standin::World render(long frame)
    {
        standin::World out(look.width, look.height, look.deep);
        standin::FrameRequest request;
        request.input = &input.def();
        request.current_time = A_long(frame);
        err = host.render_frame(request, out.def());
        return out;
    }

    Look look;
    TestHost host{{MARROWTICK_MODULE_PATH}};
    standin::World input;
    PF_Err err = PF_Err_NONE;
};

const std::vector<Look> kLooks = {
    {320, 80, false, "", true, 32, 1},
    {640, 360, true, "DejaVu Serif", false, 48, 1},
    {97, 61, false, "DejaVu Sans Mono", true, 20, 3},
    {1280, 720, false, "DejaVu Serif", true, 96, 0},
    {500, 300, true, "", false, 64, 0},
    {333, 127, true, "DejaVu Sans", true, 40, 2},
};

constexpr long kFirstFrame = 5, kFrames = 4;

// Hosts that load, set up, render, save and close on threads of their own,
// all at once: every frame is the frame that host renders alone, and each
// host keeps its own registration, instance and ledger.
TEST(ConcurrentRender, EveryFrameIsTheFrameRenderedAlone)
{
    // Rendered alone first, on this thread: besides the reference frames, this
    // makes fontconfig's lazily created locks before the threads start, since
    // fontconfig publishes them with atomics that ThreadSanitizer cannot see.
    std::vector<std::vector<standin::World>> alone(kLooks.size());
    for (std::size_t i = 0; i < kLooks.size(); ++i) {
        Rig rig(kLooks[i]);
        for (long f = kFirstFrame; f < kFirstFrame + kFrames; ++f) {
            alone[i].push_back(rig.render(f));
            ASSERT_EQ(rig.err, PF_Err_NONE) << "look " << i;
        }
    }
    ASSERT_FALSE(HasFatalFailure());

    std::vector<std::string> failures(kLooks.size());
    std::barrier start(std::ptrdiff_t(kLooks.size()));
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < kLooks.size(); ++i)
        threads.emplace_back([&, i] {
            start.arrive_and_wait();
            Rig rig(kLooks[i]);
            std::string& failure = failures[i];
            // Twice over, so that renders meet the other hosts' set-up and renders.
            for (long k = 0; k < 2 * kFrames && failure.empty(); ++k) {
                const standin::World frame = rig.render(kFirstFrame + k % kFrames);
                if (rig.err || !SameFrame(alone[i][std::size_t(k % kFrames)].def(), frame.def()))
                    failure = "frame " + std::to_string(kFirstFrame + k % kFrames) + " differs";
            }
            std::vector<uint8_t> block;
            standin::Host& host = rig.host;
            if (!failure.empty() || host.save(block) || host.destroy_instance())
                failure += "; a command failed";
            else if (host.module().registration().calls != 1)
                failure = "registered " + std::to_string(host.module().registration().calls) + " times";
            else if (&standin::Host::current() != &host)
                failure = "another host is current on this thread";
            else if (!host.held().empty() || !host.ledger().first_misuse().empty())
                failure = host.held() + host.ledger().first_misuse();
            else if (host.ledger().count("PF Iterate8 Suite v1.iterate") +
                         host.ledger().count("PF iterate16 Suite v1.iterate") != 2 * kFrames)
                failure = "the ledger holds another host's calls";
        });
    for (std::thread& t : threads)
        t.join();
    for (std::size_t i = 0; i < kLooks.size(); ++i)
        EXPECT_EQ(failures[i], "") << "look " << i;
}

} // namespace
