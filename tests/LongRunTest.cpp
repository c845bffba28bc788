// A clip at real length: thousands of frames through one instance leave the
// host's record bounded and nothing held, and the host's frame cache hands
// the effect's temporary world out again instead of making a new one.
#include <set>
#include <string>

#include "InputPicture.h"
#include "RenderFixture.h"

namespace {

constexpr long kFrames = 3000;
constexpr std::size_t kKeptCalls = 40;

} // namespace

TEST_F(RenderTest, ThousandsOfFramesKeepTheLedgerBoundedAndLeaveNothingHeld)
{
    give_ltc(25, 1, 48000, {1, 0, 0, 0});
    request.downsample_x = request.downsample_y = {1, 4}; // 80x20: small frames
    const standin::World input = standin::InputPicture::test_picture(kWidth / 4, kHeight / 4, false);
    standin::World out;
    host.ledger().keep_last(kKeptCalls);

    const std::size_t before = host.ledger().recorded(); // the instance's setup
    ASSERT_EQ(render(0, out, &input), PF_Err_NONE);
    const std::size_t per_frame = host.ledger().recorded() - before;
    ASSERT_GT(per_frame, 0u);
    std::set<std::string> disposed;
    for (long frame = 1; frame < kFrames; ++frame) {
        ASSERT_EQ(render(frame % 100, out, &input), PF_Err_NONE) << "frame " << frame;
        ASSERT_LE(host.ledger().calls().size(), 2 * kKeptCalls) << "frame " << frame;
        ASSERT_EQ(host.worlds().live_count(), 0) << "frame " << frame;
        for (const standin::Call& call : host.ledger().named("PF World Suite v2.dispose_world"))
            disposed.insert(call.args);
    }
    // Every call was counted, the dropped ones too, and the numbers run on.
    EXPECT_EQ(host.ledger().recorded(), before + per_frame * kFrames);
    EXPECT_EQ(host.ledger().calls().back().seq, before + per_frame * kFrames - 1);
    // One world, handed out again every frame, and kept by the host.
    EXPECT_EQ(disposed.size(), 1u);
    EXPECT_EQ(host.worlds().spare_count(), 1);
    ExpectBalanced();
}
