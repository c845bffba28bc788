// The host binding as the host meets it: registration, the command entry,
// global setup, the About text and the string table.
#include <cstring>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "EffectFixture.h"
#include "Marrowtick_Strings.h"
#include "PF_Suites.h"

namespace {

class HostBinding : public EffectTest {};

TEST_F(HostBinding, RegistersTheNineValuesOnce)
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

TEST_F(HostBinding, CommandsWithoutHandlerReturnZeroAndWriteNothing)
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
TEST_F(HostBinding, NoExceptionCrossesIntoTheHost)
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

// Version and flags: FaultSweep's GlobalSetupCommand.
TEST_F(HostBinding, GlobalSetupRegistersWithThePluginServicesOnce)
{
    ASSERT_EQ(host.global_setup(), PF_Err_NONE);
    EXPECT_EQ(host.ledger().names(),
              (std::vector<std::string>{"AcquireSuite", "AEGP Utility Suite v7.RegisterWithAEGP", "ReleaseSuite"}));
    EXPECT_EQ(host.ledger().calls()[0].args, "\"AEGP Utility Suite\" 7");
    EXPECT_EQ(host.registered_name(), "Marrowtick");
    auto* plugin_id = static_cast<AEGP_PluginID*>(host.module().symbol("G_my_plugin_id"));
    ASSERT_NE(plugin_id, nullptr);
    EXPECT_EQ(*plugin_id, host.last_plugin_id());
    ExpectBalanced();
}

TEST_F(HostBinding, AboutWritesNameVersionCreditAndDescription)
{
    ASSERT_EQ(host.about(), PF_Err_NONE);
    auto* get = reinterpret_cast<char* (*)(int32_t)>(host.module().symbol("GetStringPtr"));
    const std::string credit = get(StrID_Author);
    EXPECT_EQ(std::string(host.out_data().return_msg),
              "Marrowtick v1.0.0\r" + credit + "\r\rOverlays text of the LTC encoded by the specified audio layer");
    EXPECT_LE(credit.size(), 174u); // the whole text must fit the host's 256 bytes
    EXPECT_EQ(credit.find_first_of("\r\n"), std::string::npos);
    ExpectBalanced();
}

TEST_F(HostBinding, StringTableRowsAsTheModuleExportsThem)
{
    auto* table = static_cast<const StringRow*>(host.module().symbol("g_strs"));
    auto* get = reinterpret_cast<char* (*)(int32_t)>(host.module().symbol("GetStringPtr"));
    ASSERT_TRUE(table && get);
    static_assert(sizeof(StringRow) == 324);

    EXPECT_STREQ(get(0), "");
    EXPECT_STREQ(get(1), "Marrowtick");
    EXPECT_STREQ(get(13), "Arial");
    EXPECT_STREQ(get(16), "Choose Font...");
    EXPECT_EQ(std::strlen(get(14)), 318u);
    EXPECT_EQ(std::string(get(14)).substr(160), std::string(get(14)).substr(0, 158));
    for (int row = 0; row < StrID_NUMTYPES; ++row) {
        EXPECT_EQ(table[row].id, uint32_t(row));
        EXPECT_EQ(get(row), table[row].str);
        const size_t len = std::strlen(table[row].str);
        for (size_t i = len; i < sizeof table[row].str; ++i)
            ASSERT_EQ(table[row].str[i], 0) << "row " << row << " byte " << i;
    }
}

} // namespace
