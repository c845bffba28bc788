// Several hosts rendering at once on their own threads, as the real host's
// render threads do: every frame is the frame that host renders alone.
#include <gtest/gtest.h>

#include <barrier>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "Host.h"
#include "InputPicture.h"
#include "LtcSignal.h"
#include "ParamChange.h"
#include "RenderFixture.h"
#include "TestHost.h"
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

std::string describe(const Look& look)
{
    return std::to_string(look.width) + "x" + std::to_string(look.height) + (look.deep ? " 16-bit " : " 8-bit ") +
           (look.family.empty() ? "default" : look.family);
}

// One effect instance in a host of its own, over the test picture with LTC.
class Rig {
public:
    explicit Rig(const Look& look)
        : look_(look), host_({MARROWTICK_MODULE_PATH}),
          input_(standin::InputPicture::test_picture(look.width, look.height, look.deep))
    {
    }

    // Every host command that is not a render; safe on any thread.
    void set_up()
    {
        ASSERT_EQ(host_.load(), PF_Err_NONE);
        ASSERT_EQ(host_.create_instance(), PF_Err_NONE);
        if (!look_.family.empty()) {
            host_.scripts().set_user(standin::DialogUser::ok_with(look_.family));
            ASSERT_EQ(standin::user_changed_param(host_, PARAM_FONT_BUTTON), PF_Err_NONE);
        }
        host_.set_threads(look_.threads);
        host_.params()[PARAM_FONT_SIZE].u.fs_d.value = look_.font_size;
        host_.params()[PARAM_FONT_WEIGHT].u.pd.value = look_.bold ? 1 : 2;
        host_.params()[PARAM_POSITION].u.td.x_value = PF_Fixed(look_.width / 8) << 16;
        host_.params()[PARAM_POSITION].u.td.y_value = PF_Fixed(look_.height * 3 / 4) << 16;
        standin::LtcSpec ltc;
        ltc.start = {10, 59, 59, 20};
        ltc.frames = 40;
        host_.layer_audio().set_clip(standin::generate_ltc(ltc));
    }

    standin::World render(long frame)
    {
        standin::World out(look_.width, look_.height, look_.deep);
        standin::FrameRequest request;
        request.input = &input_.def();
        request.current_time = A_long(frame);
        last_err_ = host_.render_frame(request, out.def());
        return out;
    }

    PF_Err last_err() const { return last_err_; }
    standin::Host& host() { return host_; }
    std::string name() const { return describe(look_); }

private:
    Look look_;
    TestHost host_;
    standin::World input_;
    PF_Err last_err_ = PF_Err_NONE;
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

TEST(ConcurrentRender, EveryFrameIsTheFrameRenderedAlone)
{
    std::vector<std::unique_ptr<Rig>> rigs;
    std::vector<std::vector<standin::World>> alone(kLooks.size());
    for (std::size_t i = 0; i < kLooks.size(); ++i) {
        rigs.push_back(std::make_unique<Rig>(kLooks[i]));
        rigs[i]->set_up();
        for (long f = kFirstFrame; f < kFirstFrame + kFrames; ++f) {
            alone[i].push_back(rigs[i]->render(f));
            ASSERT_EQ(rigs[i]->last_err(), PF_Err_NONE) << rigs[i]->name();
        }
    }
    ASSERT_FALSE(HasFatalFailure());

    // Every host renders the same frames again, all at once, twice over.
    std::vector<std::vector<standin::World>> together(kLooks.size());
    std::vector<PF_Err> errs(kLooks.size(), PF_Err_NONE);
    std::barrier start(std::ptrdiff_t(kLooks.size()));
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < kLooks.size(); ++i)
        threads.emplace_back([&, i] {
            start.arrive_and_wait();
            for (int round = 0; round < 2; ++round)
                for (long f = kFirstFrame; f < kFirstFrame + kFrames; ++f) {
                    together[i].push_back(rigs[i]->render(f));
                    if (!errs[i])
                        errs[i] = rigs[i]->last_err();
                }
        });
    for (std::thread& t : threads)
        t.join();

    for (std::size_t i = 0; i < kLooks.size(); ++i) {
        EXPECT_EQ(errs[i], PF_Err_NONE) << rigs[i]->name();
        for (std::size_t k = 0; k < together[i].size(); ++k)
            EXPECT_TRUE(SameFrame(alone[i][k % kFrames].def(), together[i][k].def()))
                << rigs[i]->name() << ", frame " << kFirstFrame + long(k % kFrames);
        EXPECT_EQ(rigs[i]->host().held(), "") << rigs[i]->name();
        EXPECT_EQ(rigs[i]->host().ledger().first_misuse(), "") << rigs[i]->name();
    }
}

// Hosts that load, set up, render and close on threads of their own: each
// keeps its own registration, instance and ledger.
TEST(ConcurrentRender, HostsLiveTheirWholeLifeOnTheirOwnThreads)
{
    constexpr int kHosts = 4;
    std::vector<std::string> failures(kHosts);
    std::vector<std::thread> threads;
    for (int i = 0; i < kHosts; ++i)
        threads.emplace_back([&failures, i] {
            Rig rig(kLooks[std::size_t(i)]);
            rig.set_up();
            if (::testing::Test::HasFatalFailure())
                return;
            const standin::World frame = rig.render(kFirstFrame);
            std::vector<uint8_t> block;
            standin::Host& host = rig.host();
            if (rig.last_err() || host.save(block) || host.destroy_instance())
                failures[std::size_t(i)] = "a command failed";
            else if (host.module().registration().calls != 1)
                failures[std::size_t(i)] = "registered " + std::to_string(host.module().registration().calls) + " times";
            else if (&standin::Host::current() != &host)
                failures[std::size_t(i)] = "another host is current on this thread";
            else if (!host.held().empty() || !host.ledger().first_misuse().empty())
                failures[std::size_t(i)] = host.held() + host.ledger().first_misuse();
            else if (host.ledger().count("PF Iterate8 Suite v1.iterate") + host.ledger().count("PF iterate16 Suite v1.iterate") != 1)
                failures[std::size_t(i)] = "the ledger holds another host's calls";
        });
    for (std::thread& t : threads)
        t.join();
    for (int i = 0; i < kHosts; ++i)
        EXPECT_EQ(failures[std::size_t(i)], "") << describe(kLooks[std::size_t(i)]);
}

} // namespace
