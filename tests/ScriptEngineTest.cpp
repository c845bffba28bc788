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
    void SetUp() override
    {
        const void* table = nullptr;
        ASSERT_EQ(basic()->AcquireSuite(kAEGPUtilitySuite, kAEGPUtilitySuiteVersion5, &table), 0);
        utility = static_cast<const AEGP_UtilitySuite5*>(table);
        ASSERT_EQ(basic()->AcquireSuite(kAEGPMemorySuite, kAEGPMemorySuiteVersion1, &table), 0);
        memory = static_cast<const AEGP_MemorySuite1*>(table);
    }
    void TearDown() override
    {
        basic()->ReleaseSuite(kAEGPUtilitySuite, kAEGPUtilitySuiteVersion5);
        basic()->ReleaseSuite(kAEGPMemorySuite, kAEGPMemorySuiteVersion1);
        EXPECT_EQ(host.held(), "");
        EXPECT_EQ(host.ledger().first_misuse(), "");
    }
    SPBasicSuite* basic() { return host.suites().basic_suite(); }

    // The text of a memory handle, which is then freed; "(none)" for null.
    std::string take_text(AEGP_MemHandle mem)
    {
        if (!mem)
            return "(none)";
        void* text = nullptr;
        EXPECT_EQ(memory->AEGP_LockMemHandle(mem, &text), 0);
        std::string out = static_cast<const char*>(text);
        EXPECT_EQ(memory->AEGP_FreeMemHandle(mem), 0);
        return out;
    }

    struct Run {
        PF_Err err;
        std::string result, error;
    };
    Run run(const std::string& script)
    {
        AEGP_MemHandle result = nullptr, error = nullptr;
        const PF_Err err = utility->AEGP_ExecuteScript(7, script.c_str(), false, &result, &error);
        return {err, take_text(result), take_text(error)};
    }

    standin::Host host;
    const AEGP_UtilitySuite5* utility = nullptr;
    const AEGP_MemorySuite1* memory = nullptr;
};

TEST_F(ScriptSuiteTest, ValueOfTheLastStatementComesBackAsText)
{
    const Run number = run("function main() { return 42; }\nmain();");
    EXPECT_EQ(number.err, 0);
    EXPECT_EQ(number.result, "42");
    EXPECT_EQ(number.error, "(none)");
    EXPECT_EQ(run("function main() { return -1; } main();").result, "-1");
    EXPECT_EQ(run("function main() { } main();").result, "undefined");

    const auto calls = host.ledger().named("AEGP Utility Suite v11.ExecuteScript");
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].args, "plug-in 7, UTF-8");
    EXPECT_EQ(host.scripts().runs(), 3);
    EXPECT_EQ(host.scripts().last_script(), "function main() { } main();");
}

TEST_F(ScriptSuiteTest, ParseErrorsAndThrowsGiveACodeAndTheEnginesMessage)
{
    const Run syntax = run("function main( {");
    EXPECT_EQ(syntax.err, standin::kScriptFailed);
    EXPECT_EQ(syntax.result, "(none)");
    EXPECT_NE(syntax.error.find("SyntaxError"), std::string::npos) << syntax.error;

    EXPECT_EQ(run("throw new Error('boom');").error, "Error: boom");
    EXPECT_EQ(run("throw 1;").error, "1");
    const Run unknown = run("new Window('dialog').add('slider');");
    EXPECT_EQ(unknown.err, standin::kScriptFailed);
    EXPECT_NE(unknown.error.find("slider"), std::string::npos) << unknown.error;
    EXPECT_FALSE(host.scripts().last_outcome().ok);
}

TEST_F(ScriptSuiteTest, ShowAsksTheSimulatedUser)
{
    const std::string script =
        "var w = new Window('dialog', 'T'); var g = w.add('group');\n"
        "var l = g.add('dropdownlist', undefined, ['a', '-', 'b']); l.selection = 2;\n"
        "l.maximumSize.width = 5; w.preferredSize = [1, 2]; w.center();\n"
        "var r = w.show(); w.close();\n"
        "r + ':' + (l.selection ? l.selection.index + '/' + l.selection.text : 'null');";
    const struct {
        DialogUser user;
        const char* value;
    } cases[] = {
        {DialogUser::cancel(), "2:2/b"},          {DialogUser::ok_at(0), "1:0/a"},
        {DialogUser::ok_with("b"), "1:2/b"},      {DialogUser::ok_with_nothing(), "1:null"},
        {DialogUser::ok_with("zz"), "2:2/b"},     {DialogUser::ok_at(7), "1:null"},
    };
    for (const auto& c : cases) {
        host.scripts().set_user(c.user);
        EXPECT_EQ(run(script).result, c.value);
    }
    const auto& shown = host.scripts().last_dialog();
    ASSERT_TRUE(shown.has_value());
    EXPECT_EQ(shown->entries, (std::vector<std::string>{"a", "-", "b"}));
    EXPECT_EQ(shown->preselected, 2);

    host.scripts().set_user(DialogUser::ok_with("zz"));
    run(script);
    EXPECT_TRUE(host.scripts().last_dialog()->text_not_found);
    run("1 + 1");
    EXPECT_FALSE(host.scripts().last_dialog().has_value());
}

TEST_F(ScriptSuiteTest, MemoryHandlesAreRecordedAndHeldUntilFreed)
{
    AEGP_MemHandle mem = nullptr;
    ASSERT_EQ(memory->AEGP_NewMemHandle(7, "test", 16, 1, &mem), 0);
    ASSERT_NE(mem, nullptr);
    EXPECT_NE(host.held().find("1 memory handle(s); "), std::string::npos) << host.held();
    A_HandleSize size = 0;
    EXPECT_EQ(memory->AEGP_GetMemHandleSize(mem, &size), 0);
    EXPECT_EQ(size, 16u);
    void* block = nullptr;
    ASSERT_EQ(memory->AEGP_LockMemHandle(mem, &block), 0);
    EXPECT_EQ(std::string(static_cast<const char*>(block), 16), std::string(16, '\0'));
    EXPECT_EQ(memory->AEGP_UnlockMemHandle(mem), 0);
    EXPECT_EQ(memory->AEGP_FreeMemHandle(mem), 0);
    EXPECT_EQ(host.mem_handles().live_count(), 0);
    EXPECT_EQ(host.ledger().names(),
              (std::vector<std::string>{"AcquireSuite", "AcquireSuite", "AEGP Memory Suite v1.new",
                                        "AEGP Memory Suite v1.size", "AEGP Memory Suite v1.lock",
                                        "AEGP Memory Suite v1.unlock", "AEGP Memory Suite v1.free"}));

    host.faults().fail("AEGP Memory Suite v1.new", 2, PF_Err_OUT_OF_MEMORY);
    AEGP_MemHandle none = nullptr;
    EXPECT_EQ(memory->AEGP_NewMemHandle(7, "test", 16, 0, &none), PF_Err_OUT_OF_MEMORY);
    EXPECT_EQ(none, nullptr);

    EXPECT_NE(memory->AEGP_FreeMemHandle(mem), 0); // freed twice
    EXPECT_NE(host.ledger().first_misuse(), "");
    host.ledger().clear();
}

} // namespace
