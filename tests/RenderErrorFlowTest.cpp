#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "InputPicture.h"
#include "overlay/Params.h"
#include "RenderFixture.h"

namespace {

constexpr PF_Err kInjected = 77;

// The render's host calls that do work, in the order it makes them.
std::vector<std::string> working_calls(bool deep)
{
    return {"PF PointParamSuite v1.GetFloatingPointValueFromPointDef",
            "inter.checkout_layer_audio",
            "inter.get_audio_data",
            "inter.checkin_layer_audio",
            "PF ColorParamSuite v1.GetFloatingPointColorFromColorDef",
            "PF World Transform Suite v1.copy_hq",
            "PF World Suite v2.new_world",
            deep ? "PF iterate16 Suite v1.iterate" : "PF Iterate8 Suite v1.iterate",
            "PF World Transform Suite v1.transfer_rect"};
}

class RenderErrorFlow : public RenderTest {
protected:
    void SetUp() override
    {
        RenderTest::SetUp();
        give_ltc(25, 1, 48000, {1, 0, 0, 0});
    }

    // Renders frame 20 of the test picture into an output of 0x77 bytes.
    PF_Err render_over_picture(standin::World& out)
    {
        input = standin::InputPicture::test_picture(kWidth, kHeight, deep);
        out = standin::World(kWidth, kHeight, deep);
        out.fill_bytes(0x77);
        host.clear_ledger();
        return render(20, out, &input);
    }

    bool untouched(const standin::World& out)
    {
        const auto* bytes = static_cast<const unsigned char*>(out.def().data);
        const std::size_t size = std::size_t(out.def().rowbytes) * std::size_t(out.height());
        return std::all_of(bytes, bytes + size, [](unsigned char b) { return b == 0x77; });
    }

    standin::World input;
};

} // namespace

// Each call fails in turn: its code is the result, nothing that does work
// follows it, and every release still happens.
TEST_F(RenderErrorFlow, EachHostCallFailingInTurn)
{
    for (bool depth : {false, true}) {
        deep = depth;
        const std::vector<std::string> calls = working_calls(deep);
        for (std::size_t i = 0; i < calls.size(); ++i) {
            SCOPED_TRACE(calls[i] + (deep ? " (16-bit)" : " (8-bit)"));
            host.faults().clear();
            host.faults().fail(calls[i], 1, kInjected);
            standin::World out;
            EXPECT_EQ(render_over_picture(out), kInjected);
            ExpectBalanced();

            // After the failure only releases: the check-in, the world's disposal, suites.
            const std::vector<std::string> names = host.ledger().names();
            const auto failed = std::find(names.begin(), names.end(), calls[i]);
            ASSERT_NE(failed, names.end());
            for (auto it = failed + 1; it != names.end(); ++it)
                EXPECT_TRUE(*it == "inter.checkin_layer_audio" || *it == "PF World Suite v2.dispose_world" ||
                            *it == "ReleaseSuite")
                    << *it << " called after the failure";
            // A handle that came back is checked in once; a world made is disposed of once.
            const bool had_handle = i >= 2;
            EXPECT_EQ(host.ledger().count("inter.checkin_layer_audio"), had_handle ? 1u : 0u);
            EXPECT_EQ(host.ledger().count("PF World Suite v2.dispose_world"), i >= 7 ? 1u : 0u);

            if (i <= 4) {
                EXPECT_TRUE(untouched(out)) << "the output was written";
            } else if (i >= 6) {
                EXPECT_TRUE(SameFrame(input.def(), out.def())) << "the output is not the copied input";
            }
        }
    }
}

TEST_F(RenderErrorFlow, AudioDataFailureWinsOverAFailingCheckIn)
{
    host.faults().fail("inter.get_audio_data", 1, kInjected);
    host.faults().fail("inter.checkin_layer_audio", 1, kInjected + 1);
    standin::World out;
    EXPECT_EQ(render_over_picture(out), kInjected);
    EXPECT_TRUE(untouched(out));
    ExpectBalanced();
}

TEST_F(RenderErrorFlow, MissingScopedSuitesReportAndThrow13)
{
    host.refuse_suite("PF PointParamSuite", 1, 5);
    standin::World out;
    EXPECT_EQ(render_over_picture(out), A_Err_MISSING_SUITE);
    EXPECT_STREQ(host.out_data().return_msg, "Not able to acquire AEFX Suite.");
    EXPECT_TRUE(host.out_data().out_flags & PF_OutFlag_DISPLAY_ERROR_MESSAGE);
    EXPECT_EQ(host.ledger().count("inter.checkout_layer_audio"), 0u);
    EXPECT_TRUE(untouched(out));
    ExpectBalanced();

    host.faults().clear();
    host.refuse_suite("PF World Suite", 2, 5);
    EXPECT_EQ(render_over_picture(out), A_Err_MISSING_SUITE);
    EXPECT_EQ(host.ledger().count("ReleaseSuite"), 1u); // the point suite; the handler holds none yet
    EXPECT_TRUE(untouched(out));
    ExpectBalanced();
}

// A suite of the handler that the host cannot supply: 516, after the
// context, surface, world and audio have been given back.
TEST_F(RenderErrorFlow, MissingHandlerSuitesReleaseEverything)
{
    struct Case {
        const char* suite;
        bool output_is_input;
    } cases[] = {{"PF ColorParamSuite", false}, {"PF World Transform Suite", false}, {"PF Iterate8 Suite", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.suite);
        host.faults().clear();
        host.refuse_suite(c.suite, 1, 5);
        standin::World out;
        EXPECT_EQ(render_over_picture(out), PF_Err_BAD_CALLBACK_PARAM);
        if (c.output_is_input) {
            EXPECT_TRUE(SameFrame(input.def(), out.def()));
        } else {
            EXPECT_TRUE(untouched(out));
        }
        EXPECT_EQ(host.ledger().count("inter.checkin_layer_audio"), 1u);
        ExpectBalanced();
    }
}

TEST_F(RenderErrorFlow, TooFewParametersGetNoRender)
{
    host.in_data().num_params = PARAM_NUM_PARAMS - 1;
    standin::World out;
    EXPECT_EQ(render_over_picture(out), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_TRUE(host.ledger().calls().empty());
    EXPECT_TRUE(untouched(out));
}
