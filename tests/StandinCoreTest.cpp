// The stand-in host's own bookkeeping: if it lies, every other test does.
#include <gtest/gtest.h>

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

} // namespace
