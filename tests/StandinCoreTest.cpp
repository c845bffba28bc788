// The stand-in host's own bookkeeping: if it lies, every other test does.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "ArrayHeap.h"
#include "CallGuard.h"
#include "TestHost.h"
#include "PF_Suites.h"

namespace {

const PF_HandleSuite1* handle_suite(standin::Host& host)
{
    const void* table = nullptr;
    EXPECT_EQ(host.suites().basic_suite()->AcquireSuite("PF Handle Suite", 2, &table), 0);
    return static_cast<const PF_HandleSuite1*>(table);
}

TEST(StandinSuites, MatchNameByteForByteAndVersionExactly)
{
    TestHost host;
    const SPBasicSuite* basic = host.suites().basic_suite();
    const void* table = nullptr;
    EXPECT_EQ(basic->AcquireSuite("PF Iterate16 Suite", 1, &table), A_Err_MISSING_SUITE);
    EXPECT_EQ(basic->AcquireSuite("PF iterate16 Suite", 2, &table), A_Err_MISSING_SUITE);
    EXPECT_EQ(basic->AcquireSuite("PF Handle Suite ", 2, &table), A_Err_MISSING_SUITE);
    EXPECT_EQ(host.held(), "");
    EXPECT_EQ(basic->AcquireSuite("PF iterate16 Suite", 1, &table), 0);
    EXPECT_NE(host.held(), "");
    EXPECT_EQ(basic->ReleaseSuite("PF iterate16 Suite", 1), 0);
    EXPECT_EQ(host.held(), "");
    EXPECT_EQ(host.ledger().first_misuse(), "");
    basic->ReleaseSuite("PF iterate16 Suite", 1); // one release too many
    EXPECT_EQ(host.take_misuse(), "ReleaseSuite: \"PF iterate16 Suite\" 1 released but not held");
}

TEST(StandinSuites, RefusalsCountFromTheirNthAttempt)
{
    TestHost host;
    host.refuse_suite("PF ANSI Suite", 1, 99, 2);
    const SPBasicSuite* basic = host.suites().basic_suite();
    const void* table = nullptr;
    EXPECT_EQ(basic->AcquireSuite("PF ANSI Suite", 1, &table), 0);
    EXPECT_NE(table, nullptr);
    EXPECT_EQ(basic->AcquireSuite("PF ANSI Suite", 1, &table), 99);
    EXPECT_EQ(basic->AcquireSuite("PF ANSI Suite", 1, &table), 99);
}

// A bounded ledger drops its oldest calls; the numbering, the count and the
// first misuse outlive them.
TEST(StandinLedger, KeepsTheLatestCallsAndTheFirstMisuse)
{
    standin::Ledger ledger;
    ledger.record("a", "0", 0);
    ledger.record("a", "1", 0);
    ledger.record("a", "2", 0);
    ledger.keep_last(2);
    EXPECT_EQ(ledger.calls().size(), 3u); // within twice the bound
    ledger.misuse("first");
    for (int i = 3; i < 1000; ++i) {
        ledger.record(i % 2 ? "odd" : "even", std::to_string(i), PF_Err(i));
        ASSERT_GE(ledger.calls().size(), 2u);
        ASSERT_LE(ledger.calls().size(), 4u);
    }
    ledger.misuse("second");
    EXPECT_EQ(ledger.recorded(), 1000u);
    EXPECT_EQ(ledger.first_misuse(), "first");
    const standin::Call& last = ledger.calls().back();
    EXPECT_EQ(last.seq, 999u);
    EXPECT_EQ(last.name, "odd");
    EXPECT_EQ(last.args, "999");
    EXPECT_EQ(last.result, 999);
    EXPECT_EQ(ledger.calls()[ledger.calls().size() - 2].seq, 998u);

    ledger.clear();
    EXPECT_EQ(ledger.recorded(), 0u);
    EXPECT_EQ(ledger.first_misuse(), "");
    ledger.record("b", "", 0);
    EXPECT_EQ(ledger.calls().front().seq, 0u);
    ledger.keep_last(0); // every call again
    for (int i = 0; i < 10; ++i)
        ledger.record("b", "", 0);
    EXPECT_EQ(ledger.calls().size(), 11u);
}

TEST(StandinHandles, LifeLocksAndMisuse)
{
    TestHost host;
    const PF_HandleSuite1* suite = handle_suite(host);
    PF_Handle h = suite->host_new_handle(258);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(suite->host_get_handle_size(h), 258u);
    EXPECT_EQ(*h, suite->host_lock_handle(h)); // *handle is the block
    EXPECT_EQ(host.handles().locked_count(), 1);
    suite->host_unlock_handle(h);
    EXPECT_EQ(host.handles().locked_count(), 0);
    suite->host_dispose_handle(h);
    EXPECT_EQ(host.handles().live_count(), 0);
    EXPECT_EQ(host.ledger().first_misuse(), "");

    suite->host_dispose_handle(h); // a double dispose is caught, not a crash
    EXPECT_EQ(host.take_misuse(), "PF Handle Suite v2.dispose: not a live handle: " + standin::hex(h));
}

TEST(StandinHandles, InjectedNullsFromNewAndLock)
{
    TestHost host;
    const PF_HandleSuite1* suite = handle_suite(host);
    host.faults().give_null("PF Handle Suite v2.new", 2);
    host.faults().give_null("PF Handle Suite v2.lock", 1);
    PF_Handle first = suite->host_new_handle(8);
    EXPECT_EQ(suite->host_new_handle(8), nullptr);
    EXPECT_EQ(suite->host_lock_handle(first), nullptr);
    EXPECT_EQ(host.handles().locks(first), 0); // a failed lock holds nothing
    EXPECT_EQ(host.handles().live_count(), 1);
    const auto news = host.ledger().named("PF Handle Suite v2.new");
    ASSERT_EQ(news.size(), 2u);
    EXPECT_EQ(news[1].result, PF_Err_OUT_OF_MEMORY);
    suite->host_dispose_handle(first);
}

// The host out of memory from each of its allocations in turn during one
// call: the call answers 4 or works whole, lets no exception out, blames no
// one, and what it answered is what the host holds.
TEST(StandinGuard, MemoryRunningOutAtAnyAllocationAnswersOutOfMemory)
{
    using Call = std::function<PF_Err()>;
    struct Row {
        const char* name;
        std::function<Call(TestHost&)> prepare; // the call, once what it needs is made
        std::function<int(TestHost&)> held;
        int change;        // in held() when the call answers 0
        bool even_on_fail; // a disposal frees whatever it answers
    };
    auto worlds = [](TestHost& host) { return host.acquire<PF_WorldSuite2>("PF World Suite", 2); };
    auto suites = [](TestHost& host) { return host.suites().held_count(); };
    auto live_worlds = [](TestHost& host) { return host.worlds().live_count(); };
    const Row rows[] = {
        {"AcquireSuite", [](TestHost& host) -> Call {
             return [&host] {
                 const void* table;
                 return host.suites().basic_suite()->AcquireSuite("PF World Transform Suite", 1, &table);
             };
         }, suites, 1, false},
        {"ReleaseSuite", [](TestHost& host) -> Call {
             host.acquire<PF_WorldTransformSuite1>("PF World Transform Suite", 1);
             return [&host] { return host.suites().basic_suite()->ReleaseSuite("PF World Transform Suite", 1); };
         }, suites, -1, false},
        {"new_world", [&](TestHost& host) -> Call {
             auto world = std::make_shared<PF_EffectWorld>();
             return [suite = worlds(host), world] {
                 return suite->PF_NewWorld(nullptr, 300, 20, 0, PF_PixelFormat_ARGB64, world.get());
             };
         }, live_worlds, 1, false},
        {"dispose_world", [&](TestHost& host) -> Call {
             auto world = std::make_shared<PF_EffectWorld>();
             const PF_WorldSuite2* suite = worlds(host);
             EXPECT_EQ(suite->PF_NewWorld(nullptr, 300, 20, 0, PF_PixelFormat_ARGB64, world.get()), 0);
             return [suite, world] { return suite->PF_DisposeWorld(nullptr, world.get()); };
         }, live_worlds, -1, true},
        {"new handle", [](TestHost& host) -> Call {
             return [suite = handle_suite(host)] { return suite->host_new_handle(300) ? 0 : PF_Err_OUT_OF_MEMORY; };
         }, [](TestHost& host) { return host.handles().live_count(); }, 1, false},
    };
    for (const Row& row : rows)
        for (const bool from_on : {false, true})
            for (int nth = 1;; ++nth) {
                SCOPED_TRACE(std::string(row.name) + ", allocation " + std::to_string(nth) + " failing" +
                             (from_on ? " and every later one" : ""));
                TestHost host;
                host.set_threads(1);
                const Call call = row.prepare(host);
                const int before = row.held(host);
                PF_Err err = -1;
                standin::array_heap::fail_here(nth, from_on);
                try {
                    err = call();
                } catch (...) {
                }
                const int failed = standin::array_heap::fail_here(0, false);
                ASSERT_TRUE(err == PF_Err_NONE || err == PF_Err_OUT_OF_MEMORY) << "answered " << err;
                EXPECT_EQ(row.held(host), before + (err == PF_Err_NONE || row.even_on_fail ? row.change : 0));
                if (!failed)
                    break;
                ASSERT_LT(nth, 40);
            }
}

} // namespace
