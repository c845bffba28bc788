// The stand-in host's own bookkeeping: if it lies, every other test does.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <tuple>

#include "ArrayHeap.h"
#include "CallGuard.h"
#include "TestHost.h"
#include "PF_Suites.h"

namespace {

// Suites by exact name and version; a refusal counts from its nth attempt.
TEST(StandinSuites, MatchNameByteForByteAndVersionExactlyAndRefusalsCountFromTheirNthAttempt)
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
    basic->ReleaseSuite("PF iterate16 Suite", 1); // one release too many
    EXPECT_EQ(host.take_misuse(), "ReleaseSuite: \"PF iterate16 Suite\" 1 released but not held");

    host.refuse_suite("PF ANSI Suite", 1, 99, 2);
    table = nullptr;
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
    for (int i = 0; i < 3; ++i)
        ledger.record("a", std::to_string(i), 0);
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
    EXPECT_EQ((std::tuple{last.seq, last.name, last.args, last.result}), (std::tuple{999u, "odd", "999", 999}));
    EXPECT_EQ(ledger.calls()[ledger.calls().size() - 2].seq, 998u);

    ledger.clear();
    EXPECT_EQ(ledger.recorded(), 0u);
    EXPECT_EQ(ledger.first_misuse(), "");
    ledger.keep_last(0); // every call again
    for (int i = 0; i < 11; ++i)
        ledger.record("b", "", 0);
    EXPECT_EQ(ledger.calls().front().seq, 0u);
    EXPECT_EQ(ledger.calls().size(), 11u);
}

TEST(StandinHandles, LifeLocksAndMisuse)
{
    TestHost host;
    auto* suite = host.acquire<PF_HandleSuite1>("PF Handle Suite", 2);
    PF_Handle h = suite->host_new_handle(258);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(suite->host_get_handle_size(h), 258u);
    EXPECT_EQ(*h, suite->host_lock_handle(h)); // *handle is the block
    EXPECT_EQ(host.handles().locked_count(), 1);
    suite->host_unlock_handle(h);
    EXPECT_EQ(host.handles().locked_count(), 0);
    suite->host_unlock_handle(h); // one unlock too many
    EXPECT_EQ(host.take_misuse(),
              "PF Handle Suite v2.unlock: unlock of a handle that is not locked: " + standin::hex(h));
    suite->host_dispose_handle(h);
    suite->host_dispose_handle(h); // a double dispose is caught, not a crash
    EXPECT_EQ(host.take_misuse(), "PF Handle Suite v2.dispose: not a live handle: " + standin::hex(h));
}

// The host out of memory from each of its allocations in turn during one
// call (alone, or with every later one): the call answers 4 or works whole,
// lets no exception out, blames no one, and what it answered is what the
// host holds.
TEST(StandinGuard, MemoryRunningOutAtAnyAllocationAnswersOutOfMemory)
{
    using Arm = std::function<void()>; // called by a row just before its call
    struct Row {
        const char* name;
        PF_Err (*call)(TestHost&, const Arm&);
        int (*held)(TestHost&);
        int change;        // in held() when the call answers 0
        bool even_on_fail; // a disposal frees whatever it answers
    };
    const auto suites = [](TestHost& h) { return h.suites().held_count(); };
    const auto worlds = [](TestHost& h) { return h.worlds().live_count(); };
    const Row rows[] = {
        {"AcquireSuite", [](TestHost& h, const Arm& arm) {
             const void* table;
             arm();
             return h.suites().basic_suite()->AcquireSuite("PF World Transform Suite", 1, &table);
         }, suites, 1, false},
        {"ReleaseSuite", [](TestHost& h, const Arm& arm) {
             h.acquire<PF_WorldTransformSuite1>("PF World Transform Suite", 1);
             arm();
             return h.suites().basic_suite()->ReleaseSuite("PF World Transform Suite", 1);
         }, suites, -1, false},
        {"new_world", [](TestHost& h, const Arm& arm) {
             PF_EffectWorld world;
             auto* suite = h.acquire<PF_WorldSuite2>("PF World Suite", 2);
             arm();
             return suite->PF_NewWorld(nullptr, 300, 20, 0, PF_PixelFormat_ARGB64, &world);
         }, worlds, 1, false},
        {"dispose_world", [](TestHost& h, const Arm& arm) {
             PF_EffectWorld world;
             auto* suite = h.acquire<PF_WorldSuite2>("PF World Suite", 2);
             EXPECT_EQ(suite->PF_NewWorld(nullptr, 300, 20, 0, PF_PixelFormat_ARGB64, &world), 0);
             arm();
             return suite->PF_DisposeWorld(nullptr, &world);
         }, worlds, -1, true},
        {"new handle", [](TestHost& h, const Arm& arm) -> PF_Err {
             auto* suite = h.acquire<PF_HandleSuite1>("PF Handle Suite", 2);
             arm();
             return suite->host_new_handle(300) ? PF_Err_NONE : PF_Err_OUT_OF_MEMORY;
         }, [](TestHost& h) { return h.handles().live_count(); }, 1, false},
    };
    for (const Row& row : rows)
        for (const bool from_on : {false, true})
            for (int nth = 1, failed = 1; failed; ++nth) {
                SCOPED_TRACE(std::string(row.name) + ", allocation " + std::to_string(nth) + (from_on ? " on" : ""));
                ASSERT_LT(nth, 40);
                TestHost host;
                host.set_threads(1);
                int before = 0;
                PF_Err err = -1;
                try {
                    err = row.call(host, [&] {
                        before = row.held(host);
                        standin::array_heap::fail_here(nth, from_on);
                    });
                } catch (...) {
                }
                failed = standin::array_heap::fail_here(0, false);
                ASSERT_TRUE(err == PF_Err_NONE || err == PF_Err_OUT_OF_MEMORY) << "answered " << err;
                EXPECT_EQ(row.held(host), before + (err == PF_Err_NONE || row.even_on_fail ? row.change : 0));
            }
}

} // namespace
