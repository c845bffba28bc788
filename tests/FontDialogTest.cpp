// The "Choose Font..." button through EffectMain: the dialog script, its run
// in the stand-in host's engine, the stored choice, the answers that name no
// entry, and the clean-up. The host's failures are swept in FaultSweepTest.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "AEGP_Suites.h"
#include "EffectFixture.h"
#include "FontChoice.h"
#include "MemorySuite.h"
#include "ParamChange.h"
#include "SequenceRecord.h"
#include "UtilitySuite11.h"
#include "fontchooser/ScriptString.h"

namespace {

using standin::DialogUser;
constexpr PF_OutFlags kShowMessage = 0x100, kRerender = 0x400000;

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
    return "function main() {\nvar win = new Window(\"dialog\", \"Marrowtick Options\");\n"
           "win.orientation=\"column\";\nwin.alignChildren=\"fill\";\nvar mainGroup = win.add(\"group\");\n"
           "mainGroup.add(\"statictext\",undefined,\"Font:\");\nmainGroup.alignment=['center','top'];\n"
           "var myList = mainGroup.add (\"dropdownlist\", undefined, [\"**Default**\",\"-\"," +
           list + "]);\nmyList.selection=" + std::to_string(selection) + ";\n" +
           "myList.maximumSize.width=200;\nmyList.preferredSize.width = 200;\nvar buttonGroup = win.add(\"group\");\n"
           "buttonGroup.alignment=['right','bottom'];\nbuttonGroup.alignChildren=\"right\";\n"
           "var okbutton = buttonGroup.add (\"button\", undefined, \"OK\");\n"
           "var cancelbutton = buttonGroup.add (\"button\", undefined, \"Cancel\");\nwin.preferredSize = [300,110];\n"
           "win.center();\nif (win.show () == 1) {\ns = myList.selection;\nif (s != null) {\ns = s.index;\n"
           "win.close();\nreturn s;}\n}\nelse \n{win.close(); return -1;}\n}\nmain();";
}

// A script engine whose dialog runs as usual but whose answer is a text the
// test chose, as a host could hand back.
struct AnsweringEngine {
    static inline std::string answer;
    static inline const auto* engine = static_cast<const AEGP_UtilitySuite5*>(standin::utility_suite11_table());

    static PF_Err execute(AEGP_PluginID id, const A_char* script, A_Boolean platform_encoding,
                          AEGP_MemHandle* result0, AEGP_MemHandle* error0)
    {
        const PF_Err err = engine->AEGP_ExecuteScript(id, script, platform_encoding, result0, error0);
        if (!err && result0 && *result0) {
            standin::Host::current().mem_handles().destroy(reinterpret_cast<PF_Handle>(*result0));
            *result0 = standin::new_mem_text(answer);
        }
        return err;
    }
    static inline const AEGP_UtilitySuite5 suite = [] {
        AEGP_UtilitySuite5 s = *engine;
        s.AEGP_ExecuteScript = execute;
        return s;
    }();
};

// A live effect instance in the stand-in host, and its font button.
class FontDialogTest : public EffectTest {
protected:
    void SetUp() override
    {
        EffectTest::SetUp();
        ASSERT_EQ(host.create_instance(), PF_Err_NONE);
    }
    void TearDown() override { EXPECT_EQ(host.destroy_instance(), PF_Err_NONE); }

    std::string font() { return Record(host).font_name; }
    // Presses parameter `index` (the font button) as `user`, with fresh
    // output flags and message and an empty ledger.
    PF_Err press(DialogUser user, PF_ParamIndex index = 3)
    {
        host.scripts().set_user(std::move(user));
        host.out_data().out_flags = 0;
        host.out_data().return_msg[0] = '\0';
        host.clear_ledger();
        return standin::user_changed_param(host, index);
    }
    // From now on the dialog answers `text`, whatever the user does.
    PF_Err answer(const std::string& text)
    {
        host.suites().add("AEGP Utility Suite", 11, &AnsweringEngine::suite);
        AnsweringEngine::answer = text;
        return press(DialogUser::cancel());
    }
    standin::ShownDialog shown() { return host.scripts().last_dialog().value_or(standin::ShownDialog{}); }
};

TEST_F(FontDialogTest, ScriptIsTheFilledTemplateByteForByte)
{
    SetName(host, "dejavu serif", 0); // found without regard to case
    ASSERT_EQ(press(DialogUser::cancel()), PF_Err_NONE);
    const auto entries = shown().entries;
    const int serif = shown().preselected;
    ASSERT_EQ(entries.at(std::size_t(serif)), "DejaVu Serif");
    EXPECT_EQ(host.scripts().last_script(), expected_script(entries, serif));
    EXPECT_EQ(expected_script({}, 0).size(), 837u - 4 + 1);
    EXPECT_EQ(host.ledger().named("AEGP Utility Suite v11.ExecuteScript").at(0).args,
              "plug-in " + std::to_string(host.last_plugin_id()) + ", UTF-8");
    ExpectBalanced();
}

TEST_F(FontDialogTest, CallsAndCleanUpComeInTheRunsOrder)
{
    ASSERT_EQ(press(DialogUser::ok_at(0)), PF_Err_NONE);
    std::string calls;
    for (const standin::Call& call : host.ledger().calls()) {
        const std::string name = call.name.ends_with("Suite") ? call.name.substr(0, 7) + " " + call.args : call.name;
        calls += (name.starts_with("PF Handle Suite v2.") ? "handle." + name.substr(19) : name) + "; ";
    }
    // The list, the input record (a record, not a stored block), the script,
    // the run, the output record; then the clean-up.
    EXPECT_EQ(calls,
              "Acquire \"PF Handle Suite\" 2; handle.new; Acquire \"PF ANSI Suite\" 1; PF ANSI Suite v1.strcpy; "
              "handle.lock; handle.lock; handle.size; handle.unlock; handle.new; utils.ansi.sprintf; handle.lock; "
              "Acquire \"AEGP Memory Suite\" 1; Acquire \"AEGP Utility Suite\" 11; AEGP Utility Suite v11.ExecuteScript; "
              "AEGP Memory Suite v1.lock; AEGP Memory Suite v1.free; handle.lock; handle.size; PF ANSI Suite v1.strcpy; "
              "handle.unlock; handle.unlock; handle.unlock; handle.dispose; handle.dispose; "
              "Release \"AEGP Memory Suite\" 1; Release \"PF ANSI Suite\" 1; Release \"PF Handle Suite\" 2; "
              "Release \"AEGP Utility Suite\" 11; ");
    const std::string handle = "PF Handle Suite v2.";
    const auto locks = host.ledger().named(handle + "lock"), disposes = host.ledger().named(handle + "dispose");
    EXPECT_EQ(disposes[0].args + disposes[1].args, locks[2].args + locks[0].args);
    ExpectBalanced();
}

// Other parameters do nothing; Cancel without a record is no error; a
// flattened block holds name bytes where a record holds a pointer.
TEST_F(FontDialogTest, OtherParametersCancelWithoutRecordAndFlatDataAskNothingOfTheRecord)
{
    for (PF_ParamIndex index : {0, 2, 4, 11, -1}) {
        EXPECT_EQ(press(DialogUser::ok_at(0), index), PF_Err_NONE);
        EXPECT_EQ(host.out_data().out_flags, 0) << index;
        EXPECT_TRUE(host.ledger().calls().empty()) << index;
    }
    EXPECT_EQ(host.scripts().runs(), 0);

    ASSERT_EQ(host.flatten(), PF_Err_NONE);
    EXPECT_EQ(press(DialogUser::ok_at(2)), PF_Err_NONE);
    EXPECT_EQ(shown().preselected, 0);
    EXPECT_EQ(BytesOf(host, host.in_data().sequence_data), Block("Arial", 1));

    ASSERT_EQ(host.destroy_instance(), PF_Err_NONE);
    EXPECT_EQ(press(DialogUser::cancel()), PF_Err_NONE);
    EXPECT_EQ(host.out_data().out_flags, kRerender);
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

// The answer is read as atoi reads it (leading blanks skipped, the number up
// to the first character that is not a digit); one that names no entry (the
// separator, past the list, negative) changes nothing. The entry that opens
// preselected.
TEST_F(FontDialogTest, AnswersAndTheListsEnds)
{
    // OK with nothing selected: main ends without a return, its value is
    // undefined, and that text reads as 0, the default entry.
    SetName(host, "DejaVu Sans", 0);
    ASSERT_EQ(press(DialogUser::ok_with_nothing()), PF_Err_NONE);
    EXPECT_EQ(host.scripts().last_outcome().text, "undefined");
    EXPECT_EQ(font(), "Arial");
    EXPECT_EQ(Record(host).use_default, 1);
    const std::vector<std::string> entries = shown().entries;
    ASSERT_GE(entries.size(), 4u) << "the machine lists fewer than two families";
    const std::string last = std::to_string(entries.size() - 1), past = std::to_string(entries.size());
    const std::pair<std::string, std::string> answers[] = {
        {" 3", entries[3]}, {"3x", entries[3]}, {"2", entries[2]}, {last, entries.back()}, {past, ""},
        {past + "000", ""}, {"2147483647", ""}, {"1", ""}, {"-1", ""}, {"-2", ""}, {"-2147483648", ""}};
    for (const auto& [text, family] : answers) {
        SCOPED_TRACE("answer \"" + text + "\"");
        // From the default, so that a choice that is not stored shows.
        SetName(host, family.empty() ? "DejaVu Serif" : "Arial", family.empty() ? 0 : 1);
        EXPECT_EQ(answer(text), PF_Err_NONE);
        EXPECT_EQ(font(), family.empty() ? "DejaVu Serif" : family);
        EXPECT_EQ(Record(host).use_default, 0);
        EXPECT_EQ(host.out_data().out_flags, kRerender);
    }
    // The first and the last listed family open preselected; an unlisted
    // one, or any while the default is in use, opens entry 0.
    const std::tuple<std::string, uint8_t, std::size_t> preselections[] = {
        {entries[2], 0, 2}, {entries.back(), 0, entries.size() - 1}, {"No Such Family", 0, 0}, {entries[2], 1, 0}};
    for (const auto& [family, use_default, entry] : preselections) {
        SetName(host, family, use_default);
        answer("-1");
        EXPECT_EQ(shown().preselected, int(entry)) << family << " " << int(use_default);
    }
    ExpectBalanced();
}

// The free of the script's answer fails, so the run already has an error
// when the choice arrives: without an output record it still says "Font
// error." and gives 512.
TEST_F(FontDialogTest, FontErrorAfterAnEarlierFailure)
{
    answer("-1");
    AnsweringEngine::answer = "0";
    host.faults().clear();
    host.faults().fail("AEGP Memory Suite v1.free", 1, 7);
    host.out_data().sequence_data = nullptr; // what the next command's output record holds
    host.out_data().out_flags = 0;
    host.clear_ledger();
    PF_UserChangedParamExtra button{3};
    EXPECT_EQ(host.command(PF_Cmd_USER_CHANGED_PARAM, nullptr, nullptr, &button), 512);
    EXPECT_STREQ(host.out_data().return_msg, "Font error.");
    EXPECT_EQ(host.out_data().out_flags, kShowMessage | kRerender);
    EXPECT_EQ(font(), "Arial");
    // The host that failed to free the answer still holds it.
    const std::string kept = host.ledger().named("AEGP Memory Suite v1.free").front().args;
    host.mem_handles().destroy(reinterpret_cast<PF_Handle>(std::stoull(kept, nullptr, 16)));
    ExpectBalanced();
}

} // namespace
