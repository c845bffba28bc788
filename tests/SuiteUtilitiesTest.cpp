// The suite handler and the suite scoper against the stand-in host's basic
// suite, and against a bare one where the exact pointers matter.
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "AEFX_SuiteScoper.h"
#include "AEGP_SuiteHandler.h"
#include "TestHost.h"

namespace {

struct SuiteHandlerTest : ::testing::Test {
    TestHost host;

    std::vector<std::string> calls(const char* name)
    {
        std::vector<std::string> out;
        for (const standin::Call& c : host.ledger().named(name))
            out.push_back(c.args);
        return out;
    }
};

TEST_F(SuiteHandlerTest, AcquiresOncePerAccessorAndReleasesUnderTheSameVersion)
{
    {
        AEGP_SuiteHandler suites(host.suites().basic_suite());
        EXPECT_TRUE(host.ledger().calls().empty()); // nothing until first use
        PF_HandleSuite1* first = suites.HandleSuite1();
        EXPECT_EQ(suites.HandleSuite1(), first);
        suites.HandleSuite1();
        suites.UtilitySuite5();
        suites.AppSuite4();
        EXPECT_EQ(calls("AcquireSuite"), (std::vector<std::string>{"\"PF Handle Suite\" 2",
                                                                   "\"AEGP Utility Suite\" 11",
                                                                   "\"PF AE App Suite\" 6"}));
    }
    EXPECT_EQ(calls("ReleaseSuite"), (std::vector<std::string>{"\"PF AE App Suite\" 6",
                                                               "\"PF Handle Suite\" 2",
                                                               "\"AEGP Utility Suite\" 11"}));
    EXPECT_EQ(host.held(), "");
}

// A refused or null suite: FaultSweep's AcquireSuite points.
TEST(SuiteHandlerBare, NullBasicSuiteThrows516)
{
    try {
        AEGP_SuiteHandler suites(nullptr);
        FAIL() << "no exception";
    } catch (int err) {
        EXPECT_EQ(err, PF_Err_BAD_CALLBACK_PARAM);
    }
}

// A bare basic suite that answers with a fixed code and pointer and keeps
// the exact arguments it was given.
struct BareHost {
    static inline SPErr answer = 0;
    static inline const void* suite = nullptr;
    static inline std::vector<std::pair<const char*, int32_t>> acquired, released;

    static SPErr acquire(const char* name, int32_t version, const void** out)
    {
        acquired.push_back({name, version});
        *out = suite;
        return answer;
    }
    static SPErr release(const char* name, int32_t version)
    {
        released.push_back({name, version});
        return 0;
    }
    static SPBasicSuite table(SPErr code, const void* delivered)
    {
        answer = code;
        suite = delivered;
        acquired.clear();
        released.clear();
        SPBasicSuite basic{};
        basic.AcquireSuite = acquire;
        basic.ReleaseSuite = release;
        return basic;
    }
};

TEST(SuiteHandlerBare, PointerDeliveredWithAnErrorIsNeverKeptOrReleased)
{
    int dummy = 0;
    const SPBasicSuite basic = BareHost::table(PF_Err_OUT_OF_MEMORY, &dummy);
    try {
        AEGP_SuiteHandler suites(&basic);
        suites.MemorySuite1();
        FAIL() << "no exception";
    } catch (int err) {
        EXPECT_EQ(err, PF_Err_BAD_CALLBACK_PARAM);
    }
    EXPECT_TRUE(BareHost::released.empty());
}

class ScoperTest : public ::testing::Test {
protected:
    PF_InData in_data{};
    PF_OutData out_data{};
    PF_UtilCallbacks utils{};
    SPBasicSuite basic{};
    static inline std::string written;

    // The scoper passes its message as the format, with no arguments.
    static int copy_format(A_char* dst, const A_char* format, ...)
    {
        std::strcpy(dst, format);
        written = format;
        return 0;
    }

    void SetUp() override
    {
        utils.ansi.sprintf = copy_format;
        in_data.utils = &utils;
        written.clear();
    }
    void use(SPErr code, const void* delivered)
    {
        basic = BareHost::table(code, delivered);
        in_data.pica_basicP = &basic;
    }
};

TEST_F(ScoperTest, SuccessReleasesOnceWithTheSameNamePointerAndVersion)
{
    PF_WorldSuite2 world{};
    use(0, &world);
    static const char kName[] = "PF World Suite";
    {
        AEFX_SuiteScoper<PF_WorldSuite2> scoper(&in_data, kName, 2, &out_data);
        EXPECT_EQ(scoper.operator->(), &world);
        EXPECT_TRUE(BareHost::released.empty());
    }
    ASSERT_EQ(BareHost::released.size(), 1u);
    EXPECT_EQ(BareHost::released[0].first, kName); // the pointer itself, not a copy
    EXPECT_EQ(BareHost::released[0].second, 2);
}

TEST_F(ScoperTest, FailureWritesTheMessageSetsTheFlagAndThrows13)
{
    for (SPErr code : {1, 4, 516, -1}) {
        use(code, nullptr);
        out_data.out_flags = 0x5;
        out_data.return_msg[0] = 0;
        try {
            AEFX_SuiteScoper<PF_WorldSuite2> scoper(&in_data, "PF World Suite", 2, &out_data);
            FAIL() << "no exception";
        } catch (int err) {
            EXPECT_EQ(err, A_Err_MISSING_SUITE);
        }
        EXPECT_STREQ(out_data.return_msg, "Not able to acquire AEFX Suite.");
        EXPECT_EQ(out_data.out_flags, 0x105);
        EXPECT_TRUE(BareHost::released.empty());
    }
}

TEST_F(ScoperTest, FailureWithoutOutputRecordWritesNothingButCallerTextIsUsed)
{
    use(0, nullptr); // success with a null suite counts as a failure
    EXPECT_THROW((AEFX_SuiteScoper<PF_WorldSuite2>(&in_data, "PF World Suite", 2)), int);
    EXPECT_EQ(written, "");
    EXPECT_TRUE(BareHost::released.empty());

    use(1, nullptr);
    EXPECT_THROW((AEFX_SuiteScoper<PF_WorldSuite2>(&in_data, "PF World Suite", 2, &out_data,
                                                   "No world suite.")),
                 int);
    EXPECT_STREQ(out_data.return_msg, "No world suite.");
}

} // namespace
