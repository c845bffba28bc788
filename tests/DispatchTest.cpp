// The command entry and the registration entry, as the host sees them.
#include <cstring>
#include <new>
#include <stdexcept>
#include <vector>

#include "EffectFixture.h"
#include "PF_Suites.h"

namespace {

class Dispatch : public EffectTest {};

TEST_F(Dispatch, RegistersTheNineValues)
{
    const standin::Registration& r = host.module().registration();
    EXPECT_EQ(r.calls, 1);
    EXPECT_EQ(r.name, "Marrowtick");
    EXPECT_EQ(r.match_name, "ADBE Marrowtick");
    EXPECT_EQ(r.category, "Ondrel Plug-Ins");
    EXPECT_EQ(r.entry_name, "EffectMain");
    EXPECT_EQ(r.kind, 0x65464B54);
    EXPECT_EQ(r.api_major, 13);
    EXPECT_EQ(r.api_minor, 15);
    EXPECT_EQ(r.reserved_info, 8);
}

TEST_F(Dispatch, RefusedRegistrationPassesTheHostsCodeBack)
{
    EXPECT_EQ(host.module().register_effect(host.suites().basic_suite(), 7), 7);
    EXPECT_EQ(host.module().registration().calls, 1);
    EXPECT_THROW(host.module().effect_main(), standin::HostError);
}

TEST_F(Dispatch, CommandsWithoutHandlerReturnZeroAndWriteNothing)
{
    std::vector<A_u_long> codes = {2, 3, 9, 10, 12, 29, 30, 1000, 0x7FFFFFFF, 0xFFFFFFFF};
    for (A_u_long code = 14; code <= 27; ++code)
        codes.push_back(code);
    for (A_u_long code : codes) {
        std::memset(&host.out_data(), 0x5A, sizeof(PF_OutData));
        const PF_OutData before = host.out_data();
        // A null input record proves that nothing is read either.
        const PF_Err err = host.module().effect_main()(static_cast<PF_Cmd>(code), nullptr,
                                                       &host.out_data(), nullptr, nullptr, nullptr);
        EXPECT_EQ(err, PF_Err_NONE) << "code " << code;
        EXPECT_EQ(std::memcmp(&before, &host.out_data(), sizeof before), 0) << "code " << code;
    }
    EXPECT_TRUE(host.ledger().calls().empty());
}

// A misbehaving host whose sprintf throws C++ exceptions through the effect.
int sprintf_throwing_bad_alloc(A_char*, const A_char*, ...)
{
    throw std::bad_alloc();
}
int sprintf_throwing_runtime_error(A_char*, const A_char*, ...)
{
    throw std::runtime_error("from the host");
}

TEST_F(Dispatch, NoOtherExceptionCrossesIntoTheHost)
{
    PF_ANSICallbacks bad_alloc_suite{};
    bad_alloc_suite.sprintf = sprintf_throwing_bad_alloc;
    host.suites().add("PF ANSI Suite", 1, &bad_alloc_suite);
    EXPECT_EQ(host.about(), 4); // out of memory

    PF_ANSICallbacks runtime_error_suite{};
    runtime_error_suite.sprintf = sprintf_throwing_runtime_error;
    host.suites().add("PF ANSI Suite", 1, &runtime_error_suite);
    EXPECT_EQ(host.about(), 512); // anything else: damaged
    ExpectBalanced(); // the suite handler released the suite while unwinding
}

} // namespace
