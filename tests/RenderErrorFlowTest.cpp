// The render's error flow where the full fault sweep does not reach: two
// failures in one render, and a host that hands over too few parameters.
#include "InputPicture.h"
#include "overlay/Params.h"
#include "RenderFixture.h"

namespace {

constexpr PF_Err kInjected = 77;

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

    standin::World input;
};

} // namespace

TEST_F(RenderErrorFlow, AudioDataFailureWinsOverAFailingCheckIn)
{
    host.faults().fail("inter.get_audio_data", 1, kInjected);
    host.faults().fail("inter.checkin_layer_audio", 1, kInjected + 1);
    standin::World out;
    EXPECT_EQ(render_over_picture(out), kInjected);
    EXPECT_TRUE(filled_with(out, 0x77));
    ExpectBalanced();
}

TEST_F(RenderErrorFlow, TooFewParametersGetNoRender)
{
    host.in_data().num_params = PARAM_NUM_PARAMS - 1;
    standin::World out;
    EXPECT_EQ(render_over_picture(out), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_TRUE(host.ledger().calls().empty());
    EXPECT_TRUE(filled_with(out, 0x77));
}
