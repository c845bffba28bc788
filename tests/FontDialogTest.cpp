// The "Choose Font..." button through EffectMain: the dialog script, the
// run in the stand-in host's engine, the stored choice, and the clean-up.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "FontDialogFixture.h"
#include "RenamedFont.h"
#include "CallGuard.h"
#include "UtilitySuite11.h"
#include "fontchooser/ScriptString.h"

namespace {

using standin::DialogUser;
constexpr PF_OutFlags kRerender = PF_OutFlag_FORCE_RERENDER;
constexpr PF_OutFlags kShowMessage = PF_OutFlag_DISPLAY_ERROR_MESSAGE;

// The dialog script as the host must receive it, for a list text and an
// entry to preselect.
std::string expected_script(const std::string& list, int selection)
{
    const std::vector<std::string> lines = {
        "function main() {",
        "var win = new Window(\"dialog\", \"Marrowtick Options\");",
        "win.orientation=\"column\";",
        "win.alignChildren=\"fill\";",
        "var mainGroup = win.add(\"group\");",
        "mainGroup.add(\"statictext\",undefined,\"Font:\");",
        "mainGroup.alignment=['center','top'];",
        "var myList = mainGroup.add (\"dropdownlist\", undefined, [\"**Default**\",\"-\"," + list + "]);",
        "myList.selection=" + std::to_string(selection) + ";",
        "myList.maximumSize.width=200;",
        "myList.preferredSize.width = 200;",
        "var buttonGroup = win.add(\"group\");",
        "buttonGroup.alignment=['right','bottom'];",
        "buttonGroup.alignChildren=\"right\";",
        "var okbutton = buttonGroup.add (\"button\", undefined, \"OK\");",
        "var cancelbutton = buttonGroup.add (\"button\", undefined, \"Cancel\");",
        "win.preferredSize = [300,110];",
        "win.center();",
        "if (win.show () == 1) {",
        "s = myList.selection;",
        "if (s != null) {",
        "s = s.index;",
        "win.close();",
        "return s;}",
        "}",
        "else ",
        "{win.close(); return -1;}",
        "}",
        "main();",
    };
    std::string script;
    for (const std::string& line : lines)
        script += (script.empty() ? "" : "\n") + line;
    return script;
}

// The list text that shows `entries` from entry 2 on.
std::string list_text(const std::vector<std::string>& entries)
{
    std::string text;
    for (std::size_t i = 2; i < entries.size(); ++i) {
        std::string quoted(script_string_length(entries[i].c_str()), '\0');
        write_script_string(quoted.data(), entries[i].c_str());
        text += (i > 2 ? ",\"" : "\"") + quoted + "\"";
    }
    return text;
}

TEST_F(FontDialogTest, ScriptIsTheFilledTemplateByteForByte)
{
    set_font("dejavu serif", false);
    ASSERT_EQ(press(DialogUser::cancel()), PF_Err_NONE);
    const int serif = entry_of("DejaVu Serif");
    ASSERT_GE(serif, 2);
    EXPECT_EQ(shown().preselected, serif);
    EXPECT_EQ(host.scripts().last_script(), expected_script(list_text(shown().entries), serif));
    EXPECT_EQ(expected_script("", 0).size(), 837u - 4 + 1);

    const auto run = host.ledger().named("AEGP Utility Suite v11.ExecuteScript");
    ASSERT_EQ(run.size(), 1u);
    EXPECT_EQ(run[0].args, "plug-in " + std::to_string(host.last_plugin_id()) + ", UTF-8");
    ExpectOnlyTheRecordHeld();
}

TEST_F(FontDialogTest, CallsAndCleanUpComeInTheRunsOrder)
{
    set_font("DejaVu Sans", false);
    ASSERT_EQ(press(DialogUser::ok_at(0)), PF_Err_NONE);
    std::vector<std::string> calls;
    for (const standin::Call& call : host.ledger().calls())
        calls.push_back(call.name == "AcquireSuite" || call.name == "ReleaseSuite"
                            ? call.name + " " + call.args
                            : call.name);
    EXPECT_EQ(calls, (std::vector<std::string>{
                         "AcquireSuite \"PF Handle Suite\" 2",
                         "PF Handle Suite v2.new",
                         "AcquireSuite \"PF ANSI Suite\" 1",
                         "PF ANSI Suite v1.strcpy",
                         "PF Handle Suite v2.lock",   // the list
                         "PF Handle Suite v2.lock",   // the input record
                         "PF Handle Suite v2.unlock",
                         "PF Handle Suite v2.new",
                         "utils.ansi.sprintf",
                         "PF Handle Suite v2.lock",   // the script
                         "AcquireSuite \"AEGP Memory Suite\" 1",
                         "AcquireSuite \"AEGP Utility Suite\" 11",
                         "AEGP Utility Suite v11.ExecuteScript",
                         "AEGP Memory Suite v1.lock",
                         "AEGP Memory Suite v1.free",
                         "PF Handle Suite v2.lock",   // the output record
                         "PF ANSI Suite v1.strcpy",
                         "PF Handle Suite v2.unlock",
                         "PF Handle Suite v2.unlock", // the script
                         "PF Handle Suite v2.unlock", // the list
                         "PF Handle Suite v2.dispose",
                         "PF Handle Suite v2.dispose",
                         "ReleaseSuite \"AEGP Memory Suite\" 1",
                         "ReleaseSuite \"PF ANSI Suite\" 1",
                         "ReleaseSuite \"PF Handle Suite\" 2",
                         "ReleaseSuite \"AEGP Utility Suite\" 11",
                     }));
    const auto locks = host.ledger().named("PF Handle Suite v2.lock");
    const auto unlocks = host.ledger().named("PF Handle Suite v2.unlock");
    const auto disposes = host.ledger().named("PF Handle Suite v2.dispose");
    ASSERT_EQ(locks.size(), 4u);
    EXPECT_EQ(locks[1].args, standin::hex(seq_handle));
    EXPECT_EQ(locks[3].args, standin::hex(seq_handle));
    EXPECT_EQ(unlocks[1].args, standin::hex(seq_handle));
    EXPECT_EQ(unlocks[2].args, locks[2].args);
    EXPECT_EQ(unlocks[3].args, locks[0].args);
    EXPECT_EQ(disposes[0].args, locks[2].args);
    EXPECT_EQ(disposes[1].args, locks[0].args);
    ExpectOnlyTheRecordHeld();
}

TEST_F(FontDialogTest, EngineRunGivesTheIndexOrMinusOne)
{
    ASSERT_EQ(press(DialogUser::ok_at(3)), PF_Err_NONE);
    EXPECT_EQ(host.scripts().last_outcome().text, "3");
    ASSERT_EQ(press(DialogUser::cancel()), PF_Err_NONE);
    EXPECT_EQ(host.scripts().last_outcome().text, "-1");

    // OK with nothing selected: main ends without a return, so its value
    // is undefined; the effect reads that text as 0, the default entry.
    set_font("DejaVu Sans", false);
    ASSERT_EQ(press(DialogUser::ok_with_nothing()), PF_Err_NONE);
    EXPECT_EQ(host.scripts().last_outcome().text, "undefined");
    EXPECT_EQ(font(), "Arial");
    EXPECT_EQ(record()->use_default, 1);
    ExpectOnlyTheRecordHeld();
}

TEST_F(FontDialogTest, ChoosingTheDefaultStoresArialAndPreselectsItNextTime)
{
    set_font("DejaVu Sans", false);
    ASSERT_EQ(press(DialogUser::ok_at(0)), PF_Err_NONE);
    EXPECT_EQ(font(), "Arial");
    EXPECT_EQ(record()->use_default, 1);
    EXPECT_EQ(record()->flat, 0);

    // While the default is in use, entry 0 opens even for a listed family.
    set_font("DejaVu Sans", true);
    ASSERT_EQ(press(DialogUser::cancel()), PF_Err_NONE);
    EXPECT_EQ(shown().preselected, 0);
    EXPECT_EQ(font(), "DejaVu Sans");
    ExpectOnlyTheRecordHeld();
}

TEST_F(FontDialogTest, ChoosingAListedFamilyStoresItsExactNameAndPreselectsIt)
{
    ASSERT_EQ(press(DialogUser::ok_with("DejaVu Serif")), PF_Err_NONE);
    EXPECT_EQ(font(), "DejaVu Serif");
    EXPECT_EQ(record()->use_default, 0);
    const int serif = entry_of("DejaVu Serif");

    ASSERT_EQ(press(DialogUser::cancel()), PF_Err_NONE);
    EXPECT_EQ(shown().preselected, serif);
    EXPECT_EQ(font(), "DejaVu Serif");

    set_font("DEJAVU serif", false);
    press(DialogUser::cancel());
    EXPECT_EQ(shown().preselected, serif);
    set_font("No Such Family", false);
    press(DialogUser::cancel());
    EXPECT_EQ(shown().preselected, 0);

    // Entry 3 is the second listed family.
    ASSERT_EQ(press(DialogUser::ok_at(3)), PF_Err_NONE);
    ASSERT_GE(shown().entries.size(), 4u);
    EXPECT_EQ(font(), shown().entries[3]);
    EXPECT_EQ(record()->use_default, 0);
    ExpectOnlyTheRecordHeld();
}

TEST_F(FontDialogTest, SeparatorChoiceChangesNothing)
{
    set_font("DejaVu Sans", false);
    ASSERT_EQ(press(DialogUser::ok_at(1)), PF_Err_NONE);
    EXPECT_EQ(host.scripts().last_outcome().text, "1");
    EXPECT_EQ(font(), "DejaVu Sans");
    EXPECT_EQ(record()->use_default, 0);
    EXPECT_TRUE(flagged(kRerender));
    EXPECT_EQ(host.ledger().count("PF ANSI Suite v1.strcpy"), 1u); // the list's, not a name's
    ExpectOnlyTheRecordHeld();
}

TEST_F(FontDialogTest, NoOutputSequenceDataIsAFontError)
{
    host.out_data().sequence_data = nullptr;
    EXPECT_EQ(press(DialogUser::ok_at(2)), PF_Err_INTERNAL_STRUCT_DAMAGED);
    EXPECT_STREQ(host.out_data().return_msg, "Font error.");
    EXPECT_TRUE(flagged(kShowMessage));
    EXPECT_TRUE(flagged(kRerender));
    EXPECT_EQ(font(), "Arial");

    // Cancel asks nothing of the record, so there is nothing to report.
    EXPECT_EQ(press(DialogUser::cancel()), PF_Err_NONE);
    EXPECT_FALSE(flagged(kShowMessage));
    EXPECT_STREQ(host.out_data().return_msg, "");
    ExpectOnlyTheRecordHeld();
}

TEST_F(FontDialogTest, RerenderIsAskedForAfterOkCancelAndError)
{
    EXPECT_EQ(press(DialogUser::ok_at(2)), PF_Err_NONE);
    EXPECT_TRUE(flagged(kRerender));
    EXPECT_EQ(press(DialogUser::cancel()), PF_Err_NONE);
    EXPECT_TRUE(flagged(kRerender));
    const std::string before = font();
    host.faults().clear(); // call counts restart with the press below
    host.faults().fail("AEGP Utility Suite v11.ExecuteScript", 1, standin::kScriptFailed);
    EXPECT_EQ(press(DialogUser::ok_at(0)), standin::kScriptFailed);
    EXPECT_TRUE(flagged(kRerender));
    EXPECT_FALSE(flagged(kShowMessage));
    EXPECT_EQ(font(), before);
    ExpectOnlyTheRecordHeld();
}

TEST_F(FontDialogTest, OtherParametersDoNothing)
{
    for (PF_ParamIndex index : {0, 1, 2, 4, 11, 12, -1}) {
        EXPECT_EQ(press(DialogUser::ok_at(0), index), PF_Err_NONE);
        EXPECT_EQ(host.out_data().out_flags, 0) << index;
        EXPECT_TRUE(host.ledger().calls().empty()) << index;
    }
    EXPECT_EQ(host.scripts().runs(), 0);
    EXPECT_EQ(font(), "Arial");
    ExpectOnlyTheRecordHeld();
}

class PremiereFontDialogTest : public FontDialogTest {
protected:
    PremiereFontDialogTest() : FontDialogTest(PF_ApplId_PREMIERE) {}
};

TEST_F(PremiereFontDialogTest, FontButtonDoesNothing)
{
    set_font("DejaVu Sans", false);
    EXPECT_EQ(press(DialogUser::ok_at(0)), PF_Err_NONE);
    EXPECT_EQ(host.out_data().out_flags, 0);
    EXPECT_TRUE(host.ledger().calls().empty());
    EXPECT_EQ(host.scripts().runs(), 0);
    EXPECT_EQ(font(), "DejaVu Sans");
}

TEST_F(FontDialogTest, FlattenedSequenceDataIsNeitherFollowedNorWritten)
{
    FlatSeqData flat{};
    flat.flat = 1;
    std::strcpy(flat.font_name, "DejaVu Serif");
    PF_Handle flat_handle = host.handles().create(sizeof flat);
    std::memcpy(*flat_handle, &flat, sizeof flat);
    host.in_data().sequence_data = host.out_data().sequence_data = flat_handle;

    EXPECT_EQ(press(DialogUser::ok_at(2)), PF_Err_NONE);
    EXPECT_EQ(shown().preselected, 0);
    EXPECT_EQ(std::memcmp(*flat_handle, &flat, sizeof flat), 0);
    EXPECT_TRUE(flagged(kRerender));
    host.handles().destroy(flat_handle);
    ExpectOnlyTheRecordHeld();
}

// Families whose names would break a script string that took them as they
// are: installed in a home folder of the test's own, which the embedded
// configuration reads as ~/Library/Fonts.
class HostileFamilyTest : public FontDialogTest {
protected:
    void SetUp() override
    {
        namespace fs = std::filesystem;
        const fs::path home = fs::path(MARROWTICK_TEST_FILES) / "hostile-home";
        fs::remove_all(home);
        fs::create_directories(home / "Library" / "Fonts");
        for (std::size_t i = 0; i < std::size(kHostile); ++i)
            write_renamed_font(kSourceFont,
                               (home / "Library" / "Fonts" / ("hostile" + std::to_string(i) + ".ttf")).string(),
                               kHostile[i]);
        if (const char* old = std::getenv("HOME"))
            old_home_ = old;
        setenv("HOME", home.c_str(), 1);
        FontDialogTest::SetUp();
    }
    void TearDown() override
    {
        FontDialogTest::TearDown();
        setenv("HOME", old_home_.c_str(), 1);
    }

    static constexpr const char* kHostile[] = {"x\"]);throw 1;//", "Line\nBreak", "100% Sans"};
    std::string old_home_;
};

TEST_F(HostileFamilyTest, AreListedShownAndChosenAsThemselves)
{
    ASSERT_EQ(press(DialogUser::cancel()), PF_Err_NONE);
    ASSERT_TRUE(host.scripts().last_outcome().ok) << host.scripts().last_outcome().text;
    for (const char* name : kHostile)
        EXPECT_GE(entry_of(name), 2) << name;
    EXPECT_NE(host.scripts().last_script().find(R"("x\"]);throw 1;//")"), std::string::npos);
    EXPECT_NE(host.scripts().last_script().find(R"("Line\u000ABreak")"), std::string::npos);

    for (const char* name : kHostile) {
        ASSERT_EQ(press(DialogUser::ok_with(name)), PF_Err_NONE) << name;
        EXPECT_EQ(host.scripts().last_outcome().text, std::to_string(entry_of(name)));
        EXPECT_EQ(font(), name);
        EXPECT_EQ(record()->use_default, 0);
        ASSERT_EQ(press(DialogUser::cancel()), PF_Err_NONE);
        EXPECT_EQ(shown().preselected, entry_of(name)) << name;
    }
    ExpectOnlyTheRecordHeld();
}

// Every host call of one run fails in turn: the run answers as the effect
// promises and gives back everything it took.
TEST_F(FontDialogTest, FaultSweepOverTheRunsHostCalls)
{
    const DialogUser user = DialogUser::ok_with("DejaVu Sans");
    ASSERT_EQ(press(user), PF_Err_NONE);
    ASSERT_EQ(font(), "DejaVu Sans");
    const std::vector<standin::Call> baseline = host.ledger().calls();
    constexpr PF_Err kFault = 7;

    std::map<std::string, int> seen;
    int swept = 0;
    for (const standin::Call& call : baseline) {
        const int nth = ++seen[call.name + (call.name == "AcquireSuite" ? call.args : "")];
        // A failed release, unlock or dispose is the host's loss, not the effect's.
        if (call.name == "ReleaseSuite" || call.name.ends_with(".unlock") || call.name.ends_with(".dispose"))
            continue;
        SCOPED_TRACE(call.name + " " + call.args + " #" + std::to_string(nth));
        ++swept;
        set_font("Arial", true);
        host.faults().clear();
        const int runs_before = host.scripts().runs();
        if (call.name == "AcquireSuite") {
            const auto quote = call.args.rfind('"');
            host.refuse_suite(call.args.substr(1, quote - 1), std::stoi(call.args.substr(quote + 2)),
                              A_Err_MISSING_SUITE);
        } else {
            host.faults().fail(call.name, nth, kFault);
        }
        const PF_Err err = press(user);
        const bool ran = host.scripts().runs() > runs_before;
        const std::string& name = call.name;

        if (name == "AcquireSuite") {
            EXPECT_EQ(err, PF_Err_BAD_CALLBACK_PARAM);
            EXPECT_EQ(font(), "Arial");
        } else if (name == "PF Handle Suite v2.new" || (name == "PF Handle Suite v2.lock" && (nth == 1 || nth == 3))) {
            EXPECT_EQ(err, PF_Err_OUT_OF_MEMORY);
            EXPECT_FALSE(ran);
            EXPECT_TRUE(flagged(kRerender));
        } else if (name == "PF Handle Suite v2.lock" && nth == 2) { // the input record
            EXPECT_EQ(err, PF_Err_NONE);
            EXPECT_EQ(shown().preselected, 0);
            EXPECT_EQ(font(), "DejaVu Sans");
        } else if (name == "PF Handle Suite v2.lock") { // the output record
            EXPECT_EQ(err, PF_Err_NONE);
            EXPECT_EQ(font(), "Arial");
        } else if (name.starts_with("AEGP")) { // the script run, its result's lock and free
            EXPECT_EQ(err, kFault);
            EXPECT_EQ(font(), "Arial");
            EXPECT_EQ(record()->use_default, 1);
            EXPECT_TRUE(flagged(kRerender));
            EXPECT_EQ(host.ledger().count("AEGP Memory Suite v1.free"), name.ends_with("ExecuteScript") ? 0u : 1u);
        }
        // sprintf and strcpy cannot report a failure; the run must only stay safe.
        if (name == "AEGP Memory Suite v1.free") {
            EXPECT_EQ(host.held(), "1 memory handle(s); "); // the host failed to free it
            const std::string freed = host.ledger().named(name).front().args;
            host.mem_handles().destroy(reinterpret_cast<PF_Handle>(std::stoull(freed, nullptr, 16)));
        }
        ExpectOnlyTheRecordHeld();
    }
    EXPECT_EQ(swept, 16);
}

} // namespace
