// The stand-in host's script engine, its dialog classes and its memory suite.
#include <gtest/gtest.h>

#include <string>

#include "AEGP_Suites.h"
#include "Host.h"
#include "UtilitySuite11.h"

namespace {

using standin::DialogUser;

class ScriptSuiteTest : public ::testing::Test {
protected:
    template <typename T>
    const T* acquire(const char* name, int version)
    {
        const void* table = nullptr;
        EXPECT_EQ(host.suites().basic_suite()->AcquireSuite(name, version, &table), 0);
        return static_cast<const T*>(table);
    }
    // The text of a memory handle, which is then freed; "(none)" for null.
    std::string take_text(AEGP_MemHandle mem)
    {
        void* text = nullptr;
        if (!mem || memory->AEGP_LockMemHandle(mem, &text) != 0)
            return "(none)";
        std::string out = static_cast<const char*>(text);
        EXPECT_EQ(memory->AEGP_FreeMemHandle(mem), 0);
        return out;
    }
    // "code result error"
    std::string run(const std::string& script)
    {
        AEGP_MemHandle result = nullptr, error = nullptr;
        const PF_Err err = utility->AEGP_ExecuteScript(7, script.c_str(), false, &result, &error);
        return std::to_string(err) + " " + take_text(result) + " " + take_text(error);
    }

    standin::Host host;
    const AEGP_UtilitySuite5* utility = acquire<AEGP_UtilitySuite5>(kAEGPUtilitySuite, 11);
    const AEGP_MemorySuite1* memory = acquire<AEGP_MemorySuite1>(kAEGPMemorySuite, 1);
};

TEST_F(ScriptSuiteTest, ValueComesBackAsTextAndFailuresAsTheEnginesMessage)
{
    EXPECT_EQ(run("function main() { return 42; }\nmain();"), "0 42 (none)");
    EXPECT_EQ(run("function main() { } main();"), "0 undefined (none)");
    EXPECT_EQ(run("throw new Error('boom');"), "1 (none) Error: boom");
    EXPECT_EQ(run("throw 1;"), "1 (none) 1");
    EXPECT_TRUE(run("function main( {").starts_with("1 (none) SyntaxError")) << host.scripts().last_outcome().text;
    EXPECT_TRUE(run("new Window('dialog').add('slider');").ends_with("offers no control of type slider"));
    EXPECT_EQ(host.ledger().named("AEGP Utility Suite v11.ExecuteScript").at(0).args, "plug-in 7, UTF-8");
    EXPECT_EQ(host.scripts().last_script(), "new Window('dialog').add('slider');");
    EXPECT_EQ(host.mem_handles().live_count(), 0);
}

TEST_F(ScriptSuiteTest, ShowAsksTheSimulatedUser)
{
    const std::string script =
        "var w = new Window('dialog', 'T'); var g = w.add('group');\n"
        "var l = g.add('dropdownlist', undefined, ['a', '-', 'b']); l.selection = 2;\n"
        "l.maximumSize.width = 5; w.preferredSize = [1, 2]; w.center(); var r = w.show(); w.close();\n"
        "r + ':' + (l.selection ? l.selection.index + '/' + l.selection.text : 'null');";
    const std::pair<DialogUser, const char*> cases[] = {
        {DialogUser::cancel(), "2:2/b"},     {DialogUser::ok_at(0), "1:0/a"},
        {DialogUser::ok_with("b"), "1:2/b"}, {DialogUser::ok_with_nothing(), "1:null"},
        {DialogUser::ok_at(7), "1:null"},    {DialogUser::ok_with("zz"), "2:2/b"},
    };
    for (const auto& [user, value] : cases) {
        host.scripts().set_user(user);
        EXPECT_EQ(run(script), std::string("0 ") + value + " (none)");
    }
    const auto& shown = host.scripts().last_dialog();
    ASSERT_TRUE(shown.has_value());
    EXPECT_EQ(shown->entries, (std::vector<std::string>{"a", "-", "b"}));
    EXPECT_EQ(shown->preselected, 2);
    EXPECT_TRUE(shown->text_not_found);
    run("1 + 1");
    EXPECT_FALSE(host.scripts().last_dialog().has_value());
}

TEST_F(ScriptSuiteTest, MemoryHandlesAreRecordedAndHeldUntilFreed)
{
    AEGP_MemHandle mem = nullptr;
    ASSERT_EQ(memory->AEGP_NewMemHandle(7, "test", 16, 1 /* clear */, &mem), 0);
    EXPECT_NE(host.held().find("1 memory handle(s); "), std::string::npos) << host.held();
    A_HandleSize size = 0;
    void* block = nullptr;
    EXPECT_EQ(memory->AEGP_GetMemHandleSize(mem, &size), 0);
    ASSERT_EQ(memory->AEGP_LockMemHandle(mem, &block), 0);
    EXPECT_EQ(std::string(static_cast<const char*>(block), size), std::string(16, '\0'));
    EXPECT_EQ(memory->AEGP_UnlockMemHandle(mem), 0);
    EXPECT_EQ(memory->AEGP_FreeMemHandle(mem), 0);
    EXPECT_EQ(host.mem_handles().live_count(), 0);
    EXPECT_EQ(host.ledger().count("AEGP Memory Suite v1.free"), 1u);
    EXPECT_NE(memory->AEGP_FreeMemHandle(mem), 0); // freed twice
    EXPECT_NE(host.ledger().first_misuse(), "");
}

} // namespace
