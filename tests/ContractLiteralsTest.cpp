// The values the host relies on, written here as the host's numbers and
// names. The effect and the stand-in host share the declarations in host/,
// so a value changed there would pass every test that compares the two
// sides; these tests compare each side with the host's own value instead.
#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "AEGP_Suites.h"
#include "EffectFixture.h"
#include "PF_Suites.h"
#include "ParamChange.h"
#include "SequenceRecord.h"
#include "World.h"

namespace {

using Names = std::vector<std::string>;

// Sends commands by their number, with the host's records, and keeps the
// instance's sequence data handle as the host would.
class Literal : public EffectTest {
protected:
    explicit Literal(A_u_long appl_id = 0x46585443 /* 'FXTC' */) : EffectTest(appl_id) {}

    // Sends `code` with a fresh ledger; returns the result and leaves in
    // `handed` the handle the effect put in the output record.
    PF_Err send(PF_Cmd code, PF_Handle* handed = nullptr, PF_LayerDef* output = nullptr, void* extra = nullptr)
    {
        host.clear_ledger();
        const PF_Err err = host.command(code, nullptr, output, extra);
        if (handed)
            *handed = host.out_data().sequence_data;
        host.out_data().sequence_data = nullptr;
        return err;
    }

    // The suites the last command acquired, as "name" version, in order.
    Names acquired()
    {
        Names out;
        for (const standin::Call& call : host.ledger().named("AcquireSuite"))
            out.push_back(call.args);
        return out;
    }

    std::string args_of(const std::string& name)
    {
        const auto calls = host.ledger().named(name);
        return calls.size() == 1 ? calls[0].args : std::to_string(calls.size()) + " calls of " + name;
    }

    // Global setup and parameter setup, by number.
    void set_up_parameters()
    {
        ASSERT_EQ(send(1), 0);
        host.params().resize(1);
        ASSERT_EQ(send(4), 0);
        EXPECT_TRUE(acquired().empty());
        host.in_data().num_params = 12;
    }
};

// Each command code of the host reaches its handler, and each handler asks
// for its suites by the host's names and versions.
TEST_F(Literal, EveryCommandCodeReachesItsHandler)
{
    set_up_parameters();
    ASSERT_EQ(send(0), 0); // about
    EXPECT_EQ(acquired(), (Names{"\"PF ANSI Suite\" 1"}));

    PF_Handle record = nullptr;
    ASSERT_EQ(send(5, &record), 0); // sequence setup
    ASSERT_NE(record, nullptr);
    host.in_data().sequence_data = record;
    EXPECT_EQ(acquired(), (Names{"\"PF Handle Suite\" 2", "\"PF ANSI Suite\" 1"}));

    // User changed parameter: the font button opens the dialog.
    host.scripts().set_user(standin::DialogUser::cancel());
    PF_UserChangedParamExtra button{3};
    host.out_data().out_flags = 0;
    host.out_data().sequence_data = record;
    ASSERT_EQ(send(13, nullptr, nullptr, &button), 0);
    EXPECT_EQ(host.scripts().runs(), 1);
    EXPECT_EQ(host.out_data().out_flags, 0x400000);
    EXPECT_EQ(acquired(), (Names{"\"PF Handle Suite\" 2", "\"PF ANSI Suite\" 1", "\"AEGP Memory Suite\" 1",
                                 "\"AEGP Utility Suite\" 11"}));

    for (bool deep : {false, true}) {
        SCOPED_TRACE(deep ? "16-bit" : "8-bit");
        standin::World input(40, 20, deep), output(40, 20, deep);
        // Bit 0 of world_flags, and nothing else, marks a 16-bit world.
        input.def().world_flags = output.def().world_flags = deep ? 1 : 0;
        PF_InData& in = host.in_data();
        in.current_time = 10;
        in.time_step = 1;
        in.time_scale = 25;
        in.quality = 1;
        in.width = output.width();
        in.height = output.height();
        in.extent_hint = output.def().extent_hint = {0, 0, output.width(), output.height()};
        host.params()[0].u.ld = input.def();
        host.params()[6].u.td.x_value = host.params()[6].u.td.y_value = 10 << 16;
        ASSERT_EQ(send(11, nullptr, &output.def()), 0); // render
        EXPECT_EQ(acquired(), (Names{"\"PF PointParamSuite\" 1", "\"PF World Suite\" 2", "\"PF ColorParamSuite\" 1",
                                     "\"PF World Transform Suite\" 1",
                                     deep ? "\"PF iterate16 Suite\" 1" : "\"PF Iterate8 Suite\" 1"}));
        // 'a','e','1','6' and 'a','r','g','b' in memory, lowest byte first.
        EXPECT_EQ(args_of("PF World Suite v2.new_world"),
                  std::string("40x20 clear=0 format=") + (deep ? "909206881" : "1650946657"));
        // Straight alpha, the whole frame, in front, at full opacity.
        EXPECT_EQ(args_of("PF World Transform Suite v1.transfer_rect"),
                  "quality=1 flags=1 field=0 rect=0,0,40,20 at 0,0 xfer=2 opacity=255/32768");
    }

    PF_Handle copy = nullptr;
    ASSERT_EQ(send(28, &copy), 0); // get flattened sequence data
    EXPECT_EQ(host.handles().size(copy), 258u);
    EXPECT_TRUE(host.handles().live(record));
    host.handles().destroy(copy);
    EXPECT_EQ(acquired(), (Names{"\"PF Handle Suite\" 2"}));

    PF_Handle flat = nullptr;
    ASSERT_EQ(send(7, &flat), 0); // sequence flatten
    EXPECT_EQ(host.handles().size(flat), 258u);
    EXPECT_FALSE(host.handles().live(record));
    host.in_data().sequence_data = flat;

    ASSERT_EQ(send(6, &record), 0); // sequence resetup
    host.handles().destroy(flat); // the stored block stays the host's
    host.in_data().sequence_data = record;
    EXPECT_STREQ(Record(host).font_name, "Arial");
    EXPECT_EQ(acquired(), (Names{"\"PF Handle Suite\" 2", "\"PF ANSI Suite\" 1"}));

    ASSERT_EQ(send(8), 0); // sequence setdown
    EXPECT_FALSE(host.handles().live(record));
    host.in_data().sequence_data = nullptr;
    ExpectBalanced();
}

// The host's error codes: 512 damaged data; 0x100 shows the message that
// goes with one. 4 out of memory, 13 a missing scoped suite (with its
// message) and 516 a missing suite of the suite handler: FaultSweepTest.
TEST_F(Literal, ErrorCodesAndTheMessageFlag)
{
    set_up_parameters();
    EXPECT_EQ(send(7), 512); // no sequence data to flatten
    EXPECT_EQ(send(28), 512);

    // The font button without sequence data in the output record.
    host.scripts().set_user(standin::DialogUser::ok_at(0));
    PF_UserChangedParamExtra button{3};
    host.out_data().out_flags = 0;
    EXPECT_EQ(send(13, nullptr, nullptr, &button), 512);
    EXPECT_STREQ(host.out_data().return_msg, "Font error.");
    EXPECT_EQ(host.out_data().out_flags, 0x100 | 0x400000);
    ExpectBalanced();
}

class LiteralInPremiere : public Literal {
protected:
    LiteralInPremiere() : Literal(0x50724D72) {} // 'PrMr'
};

// The version and flags; Premiere Pro, known by its id, gets no registration.
TEST_F(LiteralInPremiere, PremiereIsKnownByItsApplicationId)
{
    ASSERT_EQ(send(1), 0);
    EXPECT_EQ(host.out_data().my_version, 0x80600u);
    EXPECT_EQ(host.out_data().out_flags, 0x2100014);
    EXPECT_EQ(host.out_data().out_flags2, 0x800000);
    EXPECT_TRUE(host.ledger().calls().empty());
}

// Each operation the effect calls sits at the host's entry number, counted
// from 0, in its suite's table.
TEST(SuiteEntries, AtTheHostsEntryNumbers)
{
    constexpr std::size_t entry = sizeof(void (*)());
    EXPECT_EQ(offsetof(SPBasicSuite, AcquireSuite), 0 * entry);
    EXPECT_EQ(offsetof(SPBasicSuite, ReleaseSuite), 1 * entry);
    EXPECT_EQ(offsetof(AEGP_UtilitySuite3, AEGP_RegisterWithAEGP), 7 * entry);
    EXPECT_EQ(offsetof(AEGP_UtilitySuite5, AEGP_ExecuteScript), 27 * entry);
    EXPECT_EQ(offsetof(AEGP_MemorySuite1, AEGP_FreeMemHandle), 1 * entry);
    EXPECT_EQ(offsetof(AEGP_MemorySuite1, AEGP_LockMemHandle), 2 * entry);
    EXPECT_EQ(offsetof(PF_HandleSuite1, host_new_handle), 0 * entry);
    EXPECT_EQ(offsetof(PF_HandleSuite1, host_lock_handle), 1 * entry);
    EXPECT_EQ(offsetof(PF_HandleSuite1, host_unlock_handle), 2 * entry);
    EXPECT_EQ(offsetof(PF_HandleSuite1, host_dispose_handle), 3 * entry);
    EXPECT_EQ(offsetof(PF_ANSICallbacks, sprintf), 15 * entry);
    EXPECT_EQ(offsetof(PF_ANSICallbacks, strcpy), 16 * entry);
    EXPECT_EQ(offsetof(PF_PointParamSuite1, PF_GetFloatingPointValueFromPointDef), 0 * entry);
    EXPECT_EQ(offsetof(PF_ColorParamSuite1, PF_GetFloatingPointColorFromColorDef), 0 * entry);
    EXPECT_EQ(offsetof(PF_WorldSuite2, PF_NewWorld), 0 * entry);
    EXPECT_EQ(offsetof(PF_WorldSuite2, PF_DisposeWorld), 1 * entry);
    EXPECT_EQ(offsetof(PF_WorldTransformSuite1, copy), 3 * entry);
    EXPECT_EQ(offsetof(PF_WorldTransformSuite1, copy_hq), 4 * entry);
    EXPECT_EQ(offsetof(PF_WorldTransformSuite1, transfer_rect), 5 * entry);
    EXPECT_EQ(offsetof(PF_Iterate8Suite1, iterate), 0 * entry);
    EXPECT_EQ(offsetof(PF_iterate16Suite1, iterate), 0 * entry);
}

} // namespace
