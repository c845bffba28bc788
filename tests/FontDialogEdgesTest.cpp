// The font dialog's edges: answers that name no entry, the ends of the list,
// and "Font error." after an earlier failure.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "AEGP_Suites.h"
#include "FontDialogFixture.h"
#include "MemorySuite.h"
#include "UtilitySuite11.h"
#include "fontchooser/ListIndex.h"

namespace {

// A script engine whose dialog runs as usual but whose answer is a text the
// test chose, as a host could hand back.
struct AnsweringEngine {
    static inline std::string answer;

    static PF_Err execute(AEGP_PluginID id, const A_char* script, A_Boolean platform_encoding,
                          AEGP_MemHandle* result0, AEGP_MemHandle* error0)
    {
        const auto* engine = static_cast<const AEGP_UtilitySuite5*>(standin::utility_suite11_table());
        const PF_Err err = engine->AEGP_ExecuteScript(id, script, platform_encoding, result0, error0);
        if (!err && result0 && *result0) {
            standin::Host::current().mem_handles().destroy(reinterpret_cast<PF_Handle>(*result0));
            *result0 = standin::new_mem_text(answer);
        }
        return err;
    }

    static const AEGP_UtilitySuite5* table()
    {
        static const AEGP_UtilitySuite5 suite = [] {
            AEGP_UtilitySuite5 s = *static_cast<const AEGP_UtilitySuite5*>(standin::utility_suite11_table());
            s.AEGP_ExecuteScript = execute;
            return s;
        }();
        return &suite;
    }
};

class FontDialogEdges : public FontDialogTest {
protected:
    void SetUp() override
    {
        FontDialogTest::SetUp();
        ASSERT_EQ(press(standin::DialogUser::cancel()), PF_Err_NONE);
        entries = host.scripts().last_dialog()->entries;
        ASSERT_GE(entries.size(), 4u) << "the machine lists fewer than two families";
        host.suites().add("AEGP Utility Suite", 11, AnsweringEngine::table());
    }

    PF_Err answer(const std::string& text)
    {
        AnsweringEngine::answer = text;
        return press(standin::DialogUser::cancel());
    }

    std::vector<std::string> entries; // as the dialog shows them: default, separator, families
};

TEST_F(FontDialogEdges, AnswersThatNameNoEntryChangeNothing)
{
    const int last = int(entries.size()) - 1;
    for (const std::string& text :
         {std::to_string(last + 1), std::to_string(last + 1000), std::string("2147483647"), std::string("1"),
          std::string("-1"), std::string("-2"), std::string("-2147483648")}) {
        SCOPED_TRACE("answer \"" + text + "\"");
        SetName(host, "DejaVu Serif", 0);
        EXPECT_EQ(answer(text), PF_Err_NONE);
        EXPECT_EQ(font(), "DejaVu Serif");
        EXPECT_EQ(Record(host).use_default, 0);
        EXPECT_TRUE(flagged(0x400000));
        EXPECT_FALSE(flagged(0x100));
    }
    ExpectBalanced();
}

// The answer is read as atoi reads it: leading blanks skipped, the number
// up to the first character that is not a digit.
TEST_F(FontDialogEdges, AnswersReadAsNumbersAndTheListsEnds)
{
    const int last = int(entries.size()) - 1;
    for (const std::string& text : {std::string(" 3"), std::string("3x"), std::string("2"), std::to_string(last)}) {
        SCOPED_TRACE("answer \"" + text + "\"");
        SetName(host, "Arial", 1);
        EXPECT_EQ(answer(text), PF_Err_NONE);
        EXPECT_EQ(font(), entries.at(std::size_t(std::atoi(text.c_str()))));
        EXPECT_EQ(Record(host).use_default, 0);
    }
    // The first and the last listed family open preselected next time.
    for (int entry : {2, last}) {
        SetName(host, entries[std::size_t(entry)], 0);
        answer("-1");
        EXPECT_EQ(preselected(), entry) << entries[std::size_t(entry)];
    }
    ExpectBalanced();
}

// The free of the script's answer fails, so the run already has an error
// when the choice arrives: without an output record it still says "Font
// error." and gives 512; with one, the record is not written.
TEST_F(FontDialogEdges, FontErrorAfterAnEarlierFailure)
{
    constexpr PF_Err kFreeFailed = 7;
    auto free_the_kept_answer = [&] {
        const std::string kept = host.ledger().named("AEGP Memory Suite v1.free").front().args;
        host.mem_handles().destroy(reinterpret_cast<PF_Handle>(std::stoull(kept, nullptr, 16)));
    };

    SetName(host, "DejaVu Serif", 0);
    host.faults().clear();
    host.faults().fail("AEGP Memory Suite v1.free", 1, kFreeFailed);
    EXPECT_EQ(answer("2"), kFreeFailed);
    EXPECT_EQ(font(), "DejaVu Serif");
    EXPECT_TRUE(flagged(0x400000));
    EXPECT_FALSE(flagged(0x100));
    free_the_kept_answer();

    host.faults().clear();
    host.faults().fail("AEGP Memory Suite v1.free", 1, kFreeFailed);
    AnsweringEngine::answer = "0";
    host.out_data().out_flags = 0;
    host.clear_ledger();
    PF_UserChangedParamExtra button{3};
    host.out_data().sequence_data = nullptr; // the output record holds none
    EXPECT_EQ(host.command(PF_Cmd_USER_CHANGED_PARAM, nullptr, nullptr, &button), 512);
    EXPECT_STREQ(host.out_data().return_msg, "Font error.");
    EXPECT_TRUE(flagged(0x100 | 0x400000));
    EXPECT_EQ(font(), "DejaVu Serif");
    free_the_kept_answer();
    ExpectBalanced();
}

// With a single family listed, entry 2 is that family both ways.
TEST(ListIndex, OneListedFamily)
{
    const char* const listed[] = {"DejaVu Sans"};
    EXPECT_EQ(preselected_entry("DejaVu Sans", listed, 1), 2);
    EXPECT_EQ(preselected_entry("dejavu sans", listed, 1), 2);
    EXPECT_EQ(preselected_entry("DejaVu Serif", listed, 1), 0);
    EXPECT_EQ(preselected_entry("Arial", listed, 1), 0);

    EXPECT_STREQ(chosen_family(0, listed, 1, "Arial"), "Arial");
    EXPECT_STREQ(chosen_family(2, listed, 1, "Arial"), "DejaVu Sans");
    for (A_long no_entry : {-1, 1, 3, 2147483647})
        EXPECT_EQ(chosen_family(no_entry, listed, 1, "Arial"), nullptr) << no_entry;
}

} // namespace
