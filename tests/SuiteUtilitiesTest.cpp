// The suite handler and the suite scoper against a bare basic suite that
// answers with a fixed code and pointer and keeps the exact arguments.
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "AEFX_SuiteScoper.h"
#include "AEGP_SuiteHandler.h"

namespace {

using Names = std::vector<std::string>;

struct BareHost {
    static inline SPErr answer = 0;
    static inline const void* suite = nullptr;
    static inline Names acquired, released; // "name" version

    static std::string text(const char* name, int32_t version)
    {
        return "\"" + std::string(name) + "\" " + std::to_string(version);
    }
    static SPErr acquire(const char* name, int32_t version, const void** out)
    {
        acquired.push_back(text(name, version));
        *out = suite;
        return answer;
    }
    static SPErr release(const char* name, int32_t version)
    {
        released.push_back(text(name, version));
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

// The int a call throws; 0 when it throws nothing.
template <typename Call>
int Thrown(Call&& call)
{
    try {
        call();
    } catch (int err) {
        return err;
    }
    return 0;
}

} // namespace

// Once per suite, at first use; each released once, under the version it was
// acquired with, in the order of the handler's release walk.
TEST(SuiteHandler, AcquiresOnFirstUseAndReleasesEachOnce)
{
    int delivered = 0;
    const SPBasicSuite basic = BareHost::table(0, &delivered);
    {
        AEGP_SuiteHandler suites(&basic);
        EXPECT_TRUE(BareHost::acquired.empty());
        EXPECT_EQ(static_cast<void*>(suites.HandleSuite1()), &delivered);
        suites.HandleSuite1();
        suites.UtilitySuite5();
        suites.AppSuite4();
        EXPECT_EQ(BareHost::acquired,
                  (Names{"\"PF Handle Suite\" 2", "\"AEGP Utility Suite\" 11", "\"PF AE App Suite\" 6"}));
        EXPECT_TRUE(BareHost::released.empty());
    }
    EXPECT_EQ(BareHost::released,
              (Names{"\"PF AE App Suite\" 6", "\"PF Handle Suite\" 2", "\"AEGP Utility Suite\" 11"}));
}

// A null basic suite, a refused suite and a null one are each 516; a
// pointer that came with an error is never kept or released.
TEST(SuiteHandler, MissingSuitesThrow516)
{
    EXPECT_EQ(Thrown([] { AEGP_SuiteHandler suites(nullptr); }), 516);
    int delivered = 0;
    for (auto [code, suite] : {std::pair<SPErr, const void*>{4, &delivered}, {0, nullptr}}) {
        const SPBasicSuite basic = BareHost::table(code, suite);
        EXPECT_EQ(Thrown([&] { AEGP_SuiteHandler(&basic).MemorySuite1(); }), 516);
        EXPECT_EQ(BareHost::acquired.size(), 1u);
        EXPECT_TRUE(BareHost::released.empty());
    }
}

// The scoper passes its message as the format, with no arguments.
int copy_format(A_char* dst, const A_char* format, ...)
{
    std::strcpy(dst, format);
    return 0;
}

// A refused suite, or success with a null one: 13 thrown, nothing released,
// and with an output record the message (the caller's, when given) and the
// flag added to those already set.
TEST(Scoper, FailureThrows13WithTheMessage)
{
    PF_UtilCallbacks utils{};
    utils.ansi.sprintf = copy_format;
    PF_InData in_data{};
    in_data.utils = &utils;
    PF_OutData out_data{};
    SPBasicSuite basic{};
    auto use = [&](SPErr code, const void* delivered) {
        basic = BareHost::table(code, delivered);
        in_data.pica_basicP = &basic;
        out_data.out_flags = 0x5;
        std::strcpy(out_data.return_msg, "untouched");
    };
    for (SPErr code : {1, 4, 516, -1, 0}) {
        SCOPED_TRACE(code);
        use(code, nullptr);
        EXPECT_EQ(Thrown([&] { AEFX_SuiteScoper<PF_WorldSuite2>(&in_data, "PF World Suite", 2, &out_data); }), 13);
        EXPECT_STREQ(out_data.return_msg, "Not able to acquire AEFX Suite.");
        EXPECT_EQ(out_data.out_flags, 0x105);
        EXPECT_TRUE(BareHost::released.empty());
    }
    use(1, nullptr);
    EXPECT_EQ(Thrown([&] { AEFX_SuiteScoper<PF_WorldSuite2>(&in_data, "PF World Suite", 2); }), 13);
    EXPECT_STREQ(out_data.return_msg, "untouched");
    EXPECT_EQ(Thrown([&] { AEFX_SuiteScoper<PF_WorldSuite2>(&in_data, "PF World Suite", 2, &out_data, "No world."); }),
              13);
    EXPECT_STREQ(out_data.return_msg, "No world.");
}
