// The values the host relies on, written here as the host's numbers and
// names. The effect and the stand-in host share the declarations in host/,
// so a value changed there would pass every test that compares the two
// sides; these tests compare each side with the host's own value instead.
#include <algorithm>
#include <cstddef>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "AEGP_Suites.h"
#include "EffectFixture.h"
#include "Marrowtick_Strings.h"
#include "PF_Suites.h"
#include "SequenceRecord.h"
#include "World.h"

namespace {

using Names = std::vector<std::string>;

// The eleven definitions that parameter setup adds, as the host receives them.
// Zero in every member the effect does not set.
std::vector<PF_ParamDef> ExpectedDefinitions()
{
    std::vector<PF_ParamDef> defs;
    defs.reserve(11); // the references below stay valid
    auto add = [&defs](PF_ParamType type, const char* name, A_long id) -> PF_ParamDef& {
        PF_ParamDef& def = defs.emplace_back();
        std::memset(&def, 0, sizeof def);
        def.param_type = type;
        std::strcpy(def.name, name);
        def.uu.id = id;
        return def;
    };
    PF_FloatSliderDef& opacity = add(PF_Param_FLOAT_SLIDER, "Opacity", 1).u.fs_d;
    opacity.valid_max = opacity.slider_max = 100;
    opacity.value = 100.0;
    opacity.dephault = 100.0f;
    opacity.precision = 2;
    opacity.curve_tolerance = 0.05f;
    PF_ColorDef& color = add(PF_Param_COLOR, "Color", 2).u.cd;
    color.value = color.dephault = {255, 255, 255, 255};
    PF_ParamDef& button = add(PF_Param_BUTTON, "Font", 11);
    button.flags = 64;
    button.ui_flags = 4;
    PF_FloatSliderDef& size = add(PF_Param_FLOAT_SLIDER, "Font Size", 3).u.fs_d;
    size.valid_max = 4000;
    size.slider_min = 1;
    size.slider_max = 128;
    size.value = 32.0;
    size.dephault = 32.0f;
    size.precision = 1;
    size.curve_tolerance = 0.05f;
    PF_PopupDef& weight = add(PF_Param_POPUP, "Font Weight", 4).u.pd;
    weight.value = weight.dephault = 1;
    weight.num_choices = 2;
    PF_PointDef& position = add(PF_Param_POINT, "Position", 5).u.td;
    position.x_value = position.y_value = position.x_dephault = position.y_dephault = 3276800;
    add(PF_Param_LAYER, "Audio Source Layer", 6).u.ld.dephault = -1;
    add(PF_Param_GROUP_START, "Advanced", 7);
    PF_SliderDef& offset = add(PF_Param_SLIDER, "Sample Offset (Frames)", 8).u.sd;
    offset.valid_min = -1000000000;
    offset.valid_max = 1000000000;
    offset.slider_min = -100;
    offset.slider_max = 100;
    PF_SliderDef& width = add(PF_Param_SLIDER, "Sample Width (Frames)", 9).u.sd;
    width.valid_min = width.slider_min = 1;
    width.valid_max = 60;
    width.slider_max = 30;
    width.value = width.dephault = 4;
    add(PF_Param_GROUP_END, "", 7);
    return defs;
}

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

    // Parameter setup by number: eleven definitions after the input layer,
    // each appended, every name but the group end's through the host's own
    // strcpy, the texts behind the two pointers, then every byte of each.
    void expect_parameter_setup()
    {
        host.params().resize(1);
        host.out_data().num_params = 0;
        ASSERT_EQ(send(4), 0);
        EXPECT_TRUE(acquired().empty());
        EXPECT_EQ(host.out_data().num_params, 12);
        const std::vector<standin::Call> adds = host.ledger().named("inter.add_param");
        ASSERT_EQ(adds.size(), 11u);
        for (const standin::Call& add : adds)
            EXPECT_EQ(add.args.rfind("index -1,", 0), 0u) << add.args;
        EXPECT_EQ(host.ledger().count("utils.ansi.strcpy"), 10u);
        ASSERT_EQ(host.params().size(), 12u);
        const char* label = host.params()[3].u.button_d.u.namesptr;
        const char* choices = host.params()[5].u.pd.u.namesptr;
        EXPECT_STREQ(label, "Choose Font...");
        EXPECT_STREQ(choices, "Bold|Regular");
        std::vector<PF_ParamDef> expected = ExpectedDefinitions();
        expected[2].u.button_d.u.namesptr = label;
        expected[4].u.pd.u.namesptr = choices;
        for (std::size_t i = 0; i < expected.size(); ++i) {
            const auto* want = reinterpret_cast<const unsigned char*>(&expected[i]);
            const auto* got = reinterpret_cast<const unsigned char*>(&host.params()[i + 1]);
            const std::size_t at = std::size_t(std::mismatch(want, want + sizeof(PF_ParamDef), got).first - want);
            EXPECT_EQ(at, sizeof(PF_ParamDef)) << "parameter " << i + 1 << " differs first at byte " << at;
        }
        host.in_data().num_params = 12;
    }

    // Row `row` of the module's string table, as GetStringPtr gives it.
    const char* text(int32_t row)
    {
        return reinterpret_cast<char* (*)(int32_t)>(host.module().symbol("GetStringPtr"))(row);
    }
};

TEST_F(Literal, RegistersTheNineValuesOnce)
{
    const standin::Registration& r = host.module().registration();
    EXPECT_EQ(r.calls, 1);
    EXPECT_EQ((std::vector<std::string>{r.name, r.match_name, r.category, r.entry_name}),
              (std::vector<std::string>{"Marrowtick", "ADBE Marrowtick", "Ondrel Plug-Ins", "EffectMain"}));
    EXPECT_EQ((std::vector<A_long>{r.kind, r.api_major, r.api_minor, r.reserved_info}),
              (std::vector<A_long>{0x65464B54 /* 'eFKT' */, 13, 15, 8}));

    // A refused registration passes the host's code back and names no entry.
    EXPECT_EQ(host.module().register_effect(host.suites().basic_suite(), 7), 7);
    EXPECT_EQ(host.module().registration().calls, 1);
    EXPECT_THROW(host.module().effect_main(), standin::HostError);
}

TEST_F(Literal, CommandsWithoutHandlerReturnZeroAndWriteNothing)
{
    for (A_u_long code : {2u, 3u, 9u, 10u, 12u, 14u, 20u, 27u, 29u, 30u, 1000u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
        std::memset(&host.out_data(), 0x5A, sizeof(PF_OutData));
        const PF_OutData before = host.out_data();
        // A null input record proves that nothing is read either.
        const PF_Err err = host.module().effect_main()(static_cast<PF_Cmd>(code), nullptr,
                                                       &host.out_data(), nullptr, nullptr, nullptr);
        EXPECT_EQ(err, PF_Err_NONE) << "code " << code;
        EXPECT_EQ(std::memcmp(&before, &host.out_data(), sizeof before), 0) << "code " << code;
    }
    EXPECT_TRUE(host.ledger().calls().empty());
}

// A misbehaving host whose sprintf throws C++ exceptions through the effect.
int sprintf_throwing_bad_alloc(A_char*, const A_char*, ...)
{
    throw std::bad_alloc();
}
int sprintf_throwing_runtime_error(A_char*, const A_char*, ...)
{
    throw std::runtime_error("from the host");
}

// Out of memory is 4, anything else 512, and the suite handler releases the
// suite while unwinding.
TEST_F(Literal, NoExceptionCrossesIntoTheHost)
{
    PF_ANSICallbacks bad_alloc{}, other{};
    bad_alloc.sprintf = sprintf_throwing_bad_alloc;
    other.sprintf = sprintf_throwing_runtime_error;
    for (auto [suite, code] : {std::pair{&bad_alloc, 4}, {&other, 512}}) {
        host.suites().add("PF ANSI Suite", 1, suite);
        EXPECT_EQ(host.about(), code);
    }
    ExpectBalanced();
}

TEST_F(Literal, StringTableRowsAsTheModuleExportsThem)
{
    const auto* table = static_cast<const StringRow*>(host.module().symbol("g_strs"));
    ASSERT_NE(table, nullptr);
    static_assert(sizeof(StringRow) == 324);
    EXPECT_STREQ(text(0), "");
    EXPECT_STREQ(text(1), "Marrowtick");
    EXPECT_STREQ(text(13), "Arial");
    EXPECT_STREQ(text(16), "Choose Font...");
    EXPECT_EQ(std::strlen(text(14)), 318u);
    EXPECT_EQ(std::string(text(14)).substr(160), std::string(text(14)).substr(0, 158));
    for (int row = 0; row < StrID_NUMTYPES; ++row) {
        EXPECT_EQ(table[row].id, uint32_t(row));
        EXPECT_EQ(text(row), table[row].str);
        const size_t len = std::strlen(table[row].str);
        for (size_t i = len; i < sizeof table[row].str; ++i)
            ASSERT_EQ(table[row].str[i], 0) << "row " << row << " byte " << i;
    }
}

// Each command code of the host reaches its handler, and each handler asks
// for its suites by the host's names and versions.
TEST_F(Literal, EveryCommandCodeReachesItsHandler)
{
    ASSERT_EQ(send(1), 0); // global setup: one registration, its id kept
    EXPECT_EQ(host.ledger().names(), (Names{"AcquireSuite", "AEGP Utility Suite v7.RegisterWithAEGP", "ReleaseSuite"}));
    EXPECT_EQ(acquired(), (Names{"\"AEGP Utility Suite\" 7"}));
    EXPECT_EQ(host.registered_name(), "Marrowtick");
    auto* plugin_id = static_cast<AEGP_PluginID*>(host.module().symbol("G_my_plugin_id"));
    ASSERT_NE(plugin_id, nullptr);
    EXPECT_EQ(*plugin_id, host.last_plugin_id());
    expect_parameter_setup();

    ASSERT_EQ(send(0), 0); // about: the credit fits the host's 256 bytes with the rest
    EXPECT_EQ(acquired(), (Names{"\"PF ANSI Suite\" 1"}));
    const std::string credit = text(StrID_Author);
    EXPECT_EQ(std::string(host.out_data().return_msg),
              "Marrowtick v1.0.0\r" + credit + "\r\rOverlays text of the LTC encoded by the specified audio layer");
    EXPECT_LE(credit.size(), 174u);
    EXPECT_EQ(credit.find_first_of("\r\n"), std::string::npos);

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
    ASSERT_EQ(send(1), 0);
    expect_parameter_setup();
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

// The version and flags; Premiere Pro, known by its id, gets no registration
// and the same parameters.
TEST_F(LiteralInPremiere, PremiereIsKnownByItsApplicationId)
{
    ASSERT_EQ(send(1), 0);
    EXPECT_EQ(host.out_data().my_version, 0x80600u);
    EXPECT_EQ(host.out_data().out_flags, 0x2100014);
    EXPECT_EQ(host.out_data().out_flags2, 0x800000);
    EXPECT_TRUE(host.ledger().calls().empty());
    expect_parameter_setup();
    ExpectBalanced();
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
