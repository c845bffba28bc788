// The stand-in host's script engine with its dialog classes, and its memory
// suite.
#include <gtest/gtest.h>

#include <string>

#include "AEGP_Suites.h"
#include "CallGuard.h"
#include "TestHost.h"
#include "MemorySuite.h"

namespace {

using standin::DialogUser;

TEST(ScriptEngine, ValueComesBackAsTextAndFailuresAsTheEnginesMessage)
{
    standin::ScriptEngine engine;
    auto run = [&](const char* script) {
        const standin::ScriptOutcome out = engine.run(script);
        return (out.ok ? "ok " : "failed ") + out.text;
    };
    EXPECT_EQ(run("function main() { return 42; }\nmain();"), "ok 42");
    EXPECT_EQ(run("function main() { } main();"), "ok undefined");
    EXPECT_EQ(run("throw new Error('boom');"), "failed Error: boom");
    EXPECT_EQ(run("throw 1;"), "failed 1");
    EXPECT_TRUE(run("function main( {").starts_with("failed SyntaxError")) << engine.last_outcome().text;
    EXPECT_EQ(run("new Window('dialog').add('slider');"),
              "failed Error: the stand-in host offers no control of type slider");
    EXPECT_EQ(engine.last_script(), "new Window('dialog').add('slider');");
    EXPECT_EQ(engine.runs(), 6);
}

TEST(ScriptEngine, ShowAsksTheSimulatedUser)
{
    const char* script =
        "var w = new Window('dialog', 'T'); var g = w.add('group');\n"
        "var l = g.add('dropdownlist', undefined, ['a', '-', 'b']); l.selection = 2;\n"
        "l.maximumSize.width = 5; w.preferredSize = [1, 2]; w.center(); var r = w.show(); w.close();\n"
        "r + ':' + (l.selection ? l.selection.index + '/' + l.selection.text : 'null');";
    const std::pair<DialogUser, const char*> cases[] = {
        {DialogUser::cancel(), "2:2/b"},     {DialogUser::ok_at(0), "1:0/a"},
        {DialogUser::ok_with("b"), "1:2/b"}, {DialogUser::ok_with_nothing(), "1:null"},
        {DialogUser::ok_at(7), "1:null"},    {DialogUser::ok_with("zz"), "2:2/b"},
    };
    standin::ScriptEngine engine;
    for (const auto& [user, value] : cases) {
        engine.set_user(user);
        EXPECT_EQ(engine.run(script).text, value);
    }
    const auto& shown = engine.last_dialog();
    ASSERT_TRUE(shown.has_value());
    EXPECT_EQ(shown->entries, (std::vector<std::string>{"a", "-", "b"}));
    EXPECT_EQ(shown->preselected, 2);
    EXPECT_TRUE(shown->text_not_found);
    engine.run("1 + 1");
    EXPECT_FALSE(engine.last_dialog().has_value());
}

TEST(MemorySuite, HandlesAreRecordedAndHeldUntilFreed)
{
    TestHost host;
    const auto* memory = static_cast<const AEGP_MemorySuite1*>(standin::memory_suite_table());
    AEGP_MemHandle mem = nullptr;
    void* block = nullptr;
    ASSERT_EQ(memory->AEGP_NewMemHandle(7, "test", 16, 1 /* clear */, &mem), 0);
    EXPECT_EQ(host.held(), "1 memory handle(s); ");
    ASSERT_EQ(memory->AEGP_LockMemHandle(mem, &block), 0);
    EXPECT_EQ(std::string(static_cast<const char*>(block), 16), std::string(16, '\0'));
    EXPECT_EQ(memory->AEGP_FreeMemHandle(mem), 0);
    EXPECT_EQ(host.held(), "");
    EXPECT_EQ(host.ledger().names(), (std::vector<std::string>{"AEGP Memory Suite v1.new", "AEGP Memory Suite v1.lock",
                                                                "AEGP Memory Suite v1.free"}));
    EXPECT_NE(memory->AEGP_FreeMemHandle(mem), 0); // freed twice
    EXPECT_EQ(host.take_misuse(), "AEGP Memory Suite v1.free: not a live handle: " + standin::hex(mem));
}

} // namespace
