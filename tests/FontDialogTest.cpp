// The "Choose Font..." button through EffectMain: the dialog script, its run
// in the stand-in host's engine, the stored choice and the clean-up.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FontDialogFixture.h"
#include "FontChoice.h"
#include "UtilitySuite11.h"
#include "fontchooser/ScriptString.h"

namespace {

using standin::DialogUser;
constexpr PF_OutFlags kShowMessage = PF_OutFlag_DISPLAY_ERROR_MESSAGE;

// The script the host must receive, for the entries shown and the
// preselected entry.
std::string expected_script(const std::vector<std::string>& entries, int selection)
{
    std::string list;
    for (std::size_t i = 2; i < entries.size(); ++i) {
        std::string name(script_string_length(entries[i].c_str()), '\0');
        write_script_string(name.data(), entries[i].c_str());
        list += (i > 2 ? ",\"" : "\"") + name + "\"";
    }
    return "function main() {\n"
           "var win = new Window(\"dialog\", \"Marrowtick Options\");\n"
           "win.orientation=\"column\";\n"
           "win.alignChildren=\"fill\";\n"
           "var mainGroup = win.add(\"group\");\n"
           "mainGroup.add(\"statictext\",undefined,\"Font:\");\n"
           "mainGroup.alignment=['center','top'];\n"
           "var myList = mainGroup.add (\"dropdownlist\", undefined, [\"**Default**\",\"-\"," +
           list + "]);\nmyList.selection=" + std::to_string(selection) +
           ";\n"
           "myList.maximumSize.width=200;\n"
           "myList.preferredSize.width = 200;\n"
           "var buttonGroup = win.add(\"group\");\n"
           "buttonGroup.alignment=['right','bottom'];\n"
           "buttonGroup.alignChildren=\"right\";\n"
           "var okbutton = buttonGroup.add (\"button\", undefined, \"OK\");\n"
           "var cancelbutton = buttonGroup.add (\"button\", undefined, \"Cancel\");\n"
           "win.preferredSize = [300,110];\n"
           "win.center();\n"
           "if (win.show () == 1) {\n"
           "s = myList.selection;\n"
           "if (s != null) {\n"
           "s = s.index;\n"
           "win.close();\n"
           "return s;}\n"
           "}\n"
           "else \n"
           "{win.close(); return -1;}\n"
           "}\n"
           "main();";
}

TEST_F(FontDialogTest, ScriptIsTheFilledTemplateByteForByte)
{
    SetName(host, "dejavu serif", 0);
    ASSERT_EQ(press(DialogUser::cancel()), PF_Err_NONE);
    const int serif = entry_of("DejaVu Serif");
    ASSERT_GE(serif, 2);
    EXPECT_EQ(preselected(), serif);
    EXPECT_EQ(host.scripts().last_script(), expected_script(host.scripts().last_dialog()->entries, serif));
    EXPECT_EQ(expected_script({}, 0).size(), 837u - 4 + 1);
    const auto run = host.ledger().named("AEGP Utility Suite v11.ExecuteScript");
    ASSERT_EQ(run.size(), 1u);
    EXPECT_EQ(run[0].args, "plug-in " + std::to_string(host.last_plugin_id()) + ", UTF-8");
    ExpectBalanced();
}

TEST_F(FontDialogTest, CallsAndCleanUpComeInTheRunsOrder)
{
    ASSERT_EQ(press(DialogUser::ok_at(0)), PF_Err_NONE);
    std::vector<std::string> calls;
    for (const standin::Call& call : host.ledger().calls())
        calls.push_back(call.name.ends_with("Suite") ? call.name + " " + call.args : call.name);
    const std::string handle = "PF Handle Suite v2.";
    EXPECT_EQ(calls, (std::vector<std::string>{
                         "AcquireSuite \"PF Handle Suite\" 2", handle + "new", "AcquireSuite \"PF ANSI Suite\" 1",
                         "PF ANSI Suite v1.strcpy", handle + "lock" /* list */, handle + "lock" /* input record */,
                         handle + "size" /* a record, not a stored block */, handle + "unlock", handle + "new", "utils.ansi.sprintf", handle + "lock" /* script */,
                         "AcquireSuite \"AEGP Memory Suite\" 1", "AcquireSuite \"AEGP Utility Suite\" 11",
                         "AEGP Utility Suite v11.ExecuteScript", "AEGP Memory Suite v1.lock",
                         "AEGP Memory Suite v1.free", handle + "lock" /* output record */, handle + "size",
                         "PF ANSI Suite v1.strcpy", handle + "unlock", handle + "unlock" /* script */,
                         handle + "unlock" /* list */, handle + "dispose" /* script */, handle + "dispose",
                         "ReleaseSuite \"AEGP Memory Suite\" 1", "ReleaseSuite \"PF ANSI Suite\" 1",
                         "ReleaseSuite \"PF Handle Suite\" 2", "ReleaseSuite \"AEGP Utility Suite\" 11"}));
    const auto locks = host.ledger().named(handle + "lock"), disposes = host.ledger().named(handle + "dispose");
    EXPECT_EQ(disposes[0].args + disposes[1].args, locks[2].args + locks[0].args);
    ExpectBalanced();
}

// Entries chosen by number, by name and by default, the separator and the
// list's ends: FaultSweep's font button and FontDialogEdges.
TEST_F(FontDialogTest, EntryZeroOpensForAnUnlistedFamilyOrTheDefault)
{
    SetName(host, "No Such Family", 0);
    press(DialogUser::cancel());
    EXPECT_EQ(host.scripts().last_outcome().text, "-1");
    EXPECT_EQ(preselected(), 0);
    // While the default is in use, entry 0 opens even for a listed family.
    SetName(host, "DejaVu Sans", 1);
    press(DialogUser::cancel());
    EXPECT_EQ(preselected(), 0);

    // OK with nothing selected: main ends without a return, its value is
    // undefined, and that text reads as 0, the default entry.
    SetName(host, "DejaVu Sans", 0);
    ASSERT_EQ(press(DialogUser::ok_with_nothing()), PF_Err_NONE);
    EXPECT_EQ(host.scripts().last_outcome().text, "undefined");
    EXPECT_EQ(font(), "Arial");
    EXPECT_EQ(Record(host).use_default, 1);
    ExpectBalanced();
}

// Without sequence data OK is "Font error." (pinned in ContractLiteralsTest);
// Cancel asks nothing of the record.
TEST_F(FontDialogTest, CancelWithoutRecordIsNoError)
{
    ASSERT_EQ(host.destroy_instance(), PF_Err_NONE);
    EXPECT_EQ(press(DialogUser::cancel()), PF_Err_NONE);
    EXPECT_FALSE(flagged(kShowMessage));
    ExpectBalanced();
}

TEST_F(FontDialogTest, OtherParametersAndPremiereDoNothingAndFlatDataIsNotFollowed)
{
    for (PF_ParamIndex index : {0, 2, 4, 11, -1, 3}) {
        if (index == 3) // the font button, under Premiere Pro
            host.in_data().appl_id = PF_ApplId_PREMIERE;
        EXPECT_EQ(press(DialogUser::ok_at(0), index), PF_Err_NONE);
        EXPECT_EQ(host.out_data().out_flags, 0) << index;
        EXPECT_TRUE(host.ledger().calls().empty()) << index;
    }
    EXPECT_EQ(host.scripts().runs(), 0);
    EXPECT_EQ(font(), "Arial");
    host.in_data().appl_id = PF_ApplId_AFTER_EFFECTS;

    // A flattened block holds name bytes where a record holds a pointer.
    ASSERT_EQ(host.flatten(), PF_Err_NONE);
    const Bytes flat = Block("Arial", 1);
    ASSERT_EQ(host.handles().size(host.in_data().sequence_data), flat.size());
    EXPECT_EQ(press(DialogUser::ok_at(2)), PF_Err_NONE);
    EXPECT_EQ(preselected(), 0);
    EXPECT_EQ(std::memcmp(*host.in_data().sequence_data, flat.data(), flat.size()), 0);
    ExpectBalanced();
}

TEST_F(FontDialogTest, RunnerChoosesByNameAndNamesTheWayToTheList)
{
    EXPECT_EQ(runner::choose_font(host, "DejaVu Serif"), "");
    EXPECT_EQ(font(), "DejaVu Serif");
    EXPECT_EQ(runner::choose_font(host, "default"), "");
    EXPECT_EQ(font(), "Arial");
    EXPECT_EQ(Record(host).use_default, 1);
    EXPECT_EQ(runner::choose_font(host, "No\nSuch"),
              "no font family \"No\\nSuch\" in the font dialog; run `marrowtick fonts` to list them");
    EXPECT_EQ(font(), "Arial");
    ExpectBalanced();
}

} // namespace
