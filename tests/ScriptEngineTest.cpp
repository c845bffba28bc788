// The stand-in host's script engine with its dialog classes, and its memory
// suite.
#include <gtest/gtest.h>

#include <string>

#include "AEGP_Suites.h"
#include "CallGuard.h"
#include "MemorySuite.h"
#include "TestHost.h"

namespace {

using standin::DialogUser;

TEST(ScriptEngine, ValueComesBackAsTextFailuresAsTheEnginesMessageAndShowAsksTheUser)
{
    standin::ScriptEngine engine;
    const auto run = [&](const std::string& script) {
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

    const std::string dialog =
        "var w = new Window('dialog', 'T'); var g = w.add('group');\n"
        "var l = g.add('dropdownlist', undefined, ['a', '-', 'b']); l.selection = 2;\n"
        "l.maximumSize.width = 5; w.preferredSize = [1, 2]; w.center(); var r = w.show(); w.close();\n"
        "r + ':' + (l.selection ? l.selection.index + '/' + l.selection.text : 'null');";
    const std::pair<DialogUser, const char*> users[] = {
        {DialogUser::cancel(), "ok 2:2/b"},     {DialogUser::ok_at(0), "ok 1:0/a"},
        {DialogUser::ok_with("b"), "ok 1:2/b"}, {DialogUser::ok_with_nothing(), "ok 1:null"},
        {DialogUser::ok_at(7), "ok 1:null"},    {DialogUser::ok_with("zz"), "ok 2:2/b"},
    };
    for (const auto& [user, value] : users) {
        engine.set_user(user);
        EXPECT_EQ(run(dialog), value);
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
