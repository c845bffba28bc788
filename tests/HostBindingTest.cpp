// Global setup, the About text and the string table, through EffectMain.
#include <cstring>
#include <string>

#include "EffectFixture.h"
#include "Marrowtick_Strings.h"

namespace {

class GlobalSetup : public EffectTest {};

TEST_F(GlobalSetup, AnswersVersionAndFlagsAndRegistersOnce)
{
    // The version and flags: FaultSweep's GlobalSetupCommand.
    ASSERT_EQ(host.global_setup(), PF_Err_NONE);

    const std::vector<std::string> expected = {"AcquireSuite", "AEGP Utility Suite v7.RegisterWithAEGP",
                                               "ReleaseSuite"};
    EXPECT_EQ(host.ledger().names(), expected);
    EXPECT_EQ(host.ledger().calls()[0].args, "\"AEGP Utility Suite\" 7");
    EXPECT_EQ(host.ledger().calls()[2].args, "\"AEGP Utility Suite\" 7");
    EXPECT_EQ(host.registered_name(), "Marrowtick");
    auto* plugin_id = static_cast<AEGP_PluginID*>(host.module().symbol("G_my_plugin_id"));
    ASSERT_NE(plugin_id, nullptr);
    EXPECT_EQ(*plugin_id, host.last_plugin_id());
    ExpectBalanced();
}

class About : public EffectTest {};

TEST_F(About, WritesNameVersionCreditAndDescription)
{
    ASSERT_EQ(host.about(), PF_Err_NONE);
    auto* get = reinterpret_cast<char* (*)(int32_t)>(host.module().symbol("GetStringPtr"));
    const std::string credit = get(StrID_Author);
    EXPECT_EQ(std::string(host.out_data().return_msg),
              "Marrowtick v1.0.0\r" + credit +
                  "\r\rOverlays text of the LTC encoded by the specified audio layer");
    EXPECT_LE(credit.size(), 174u); // the whole text must fit the host's 256 bytes
    EXPECT_EQ(credit.find_first_of("\r\n"), std::string::npos);
    EXPECT_EQ(host.ledger().count("AcquireSuite"), 1u);
    ExpectBalanced();
}

TEST(StringTable, RowsAsTheModuleExportsThem)
{
    TestHost host({MARROWTICK_MODULE_PATH});
    ASSERT_EQ(host.load(), PF_Err_NONE);
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
