// What the stand-in host holds an effect to: each breach is provoked here the
// way a faulty effect would make it, and must be recorded with its text.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "AEGP_Suites.h"
#include "CallGuard.h"
#include "EffectFixture.h"
#include "PF_Suites.h"
#include "World.h"

namespace {

TEST(StrictReturnMessage, AnOverlongMessageIsCutToFitAndLeavesTheFieldsAfterIt)
{
    TestHost host;
    PF_OutData& out = host.out_data();
    out.out_flags2 = PF_OutFlag2_SUPPORTS_GET_FLATTENED_SEQUENCE_DATA;
    const auto* ansi = host.acquire<PF_ANSICallbacks>("PF ANSI Suite", 1);

    const std::string fits(255, 'f');
    EXPECT_EQ(ansi->sprintf(out.return_msg, "%s", fits.c_str()), 255);
    EXPECT_EQ(out.return_msg, fits);
    EXPECT_EQ(host.ledger().first_misuse(), "");

    const std::string overlong(259, 'x');
    EXPECT_EQ(ansi->sprintf(out.return_msg, "%s", overlong.c_str()), 255);
    EXPECT_EQ(host.take_misuse(), "PF ANSI Suite v1.sprintf: 259 characters written into return_msg, which holds 255");
    EXPECT_EQ(out.return_msg, std::string(255, 'x'));
    EXPECT_EQ(out.out_flags2, 0x800000);

    ansi->strcpy(out.return_msg, overlong.c_str());
    EXPECT_EQ(host.take_misuse(), "PF ANSI Suite v1.strcpy: 259 characters written into return_msg, which holds 255");
    EXPECT_EQ(out.out_flags2, 0x800000);

    // The input record's callbacks are bounded the same way, from wherever
    // in the message they start.
    const std::string hundred(100, 'h');
    host.in_data().utils->ansi.strcpy(out.return_msg + 200, hundred.c_str());
    EXPECT_EQ(host.take_misuse(), "utils.ansi.strcpy: 100 characters written into return_msg, which holds 55");
    EXPECT_EQ(std::strlen(out.return_msg), 255u);
    EXPECT_EQ(out.out_flags2, 0x800000);
    host.in_data().utils->ansi.sprintf(out.return_msg + 250, "%s", "abcdefg");
    EXPECT_EQ(host.take_misuse(), "utils.ansi.sprintf: 7 characters written into return_msg, which holds 5");
    EXPECT_STREQ(out.return_msg + 250, "abcde");
    EXPECT_EQ(out.out_flags2, 0x800000);

    // Anywhere else the host cannot tell the size, and writes as asked.
    char elsewhere[300];
    EXPECT_EQ(ansi->sprintf(elsewhere, "%s", overlong.c_str()), 259);
    EXPECT_EQ(host.ledger().first_misuse(), "");
    host.suites().basic_suite()->ReleaseSuite("PF ANSI Suite", 1);
}

TEST(StrictSuites, ACallThroughAReleasedSuiteIsMisuse)
{
    TestHost host;
    const SPBasicSuite* basic = host.suites().basic_suite();
    const auto* ansi = host.acquire<PF_ANSICallbacks>("PF ANSI Suite", 1);
    char text[16];
    ansi->strcpy(text, "held");
    basic->ReleaseSuite("PF ANSI Suite", 1);
    EXPECT_EQ(host.ledger().first_misuse(), "");

    ansi->strcpy(text, "released");
    EXPECT_EQ(host.take_misuse(), "PF ANSI Suite v1.strcpy through \"PF ANSI Suite\" 1 after its release");
    // The input record's callbacks are no suite: nothing to release.
    host.in_data().utils->ansi.strcpy(text, "utils");
    EXPECT_EQ(host.ledger().first_misuse(), "");

    // Held again, by any acquisition: calls are fine once more.
    host.acquire<PF_ANSICallbacks>("PF ANSI Suite", 1);
    ansi->strcpy(text, "again");
    EXPECT_EQ(host.ledger().first_misuse(), "");
    basic->ReleaseSuite("PF ANSI Suite", 1);

    // Every suite the same way; released twice over one acquisition still
    // counts the suite as held by the other.
    const auto* handles = host.acquire<PF_HandleSuite1>("PF Handle Suite", 2);
    host.acquire<PF_HandleSuite1>("PF Handle Suite", 2);
    basic->ReleaseSuite("PF Handle Suite", 2);
    PF_Handle h = handles->host_new_handle(8);
    EXPECT_EQ(host.ledger().first_misuse(), "");
    basic->ReleaseSuite("PF Handle Suite", 2);
    handles->host_dispose_handle(h);
    EXPECT_EQ(host.take_misuse(), "PF Handle Suite v2.dispose through \"PF Handle Suite\" 2 after its release");
}

TEST(StrictRegistration, OneRegistrationWithThePluginServicesPerGlobalSetup)
{
    TestHost host;
    const auto* utility = host.acquire<AEGP_UtilitySuite3>("AEGP Utility Suite", 7);
    AEGP_PluginID id = 0;
    ASSERT_EQ(utility->AEGP_RegisterWithAEGP(nullptr, "Faulty", &id), 0);
    EXPECT_EQ(host.ledger().first_misuse(), "");
    ASSERT_EQ(utility->AEGP_RegisterWithAEGP(nullptr, "Faulty", &id), 0);
    EXPECT_EQ(host.take_misuse(), "a second registration with the plug-in services: \"Faulty\"");
    host.suites().basic_suite()->ReleaseSuite("AEGP Utility Suite", 7);
}

class StrictGlobalSetup : public EffectTest {};

TEST_F(StrictGlobalSetup, EachGlobalSetupMayRegisterOnce)
{
    ASSERT_EQ(host.global_setup(), PF_Err_NONE);
    ASSERT_EQ(host.global_setup(), PF_Err_NONE);
    EXPECT_EQ(host.ledger().count("AEGP Utility Suite v7.RegisterWithAEGP"), 2u);
    ExpectBalanced();
}

// The faulty effect, loaded and registered correctly.
class FaultyEffect : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(host.load(), PF_Err_NONE); }
    // The module stays mapped for the next test, its fault with it.
    void TearDown() override { registration_fault() = 0; }
    int& registration_fault() { return *static_cast<int*>(host.module().symbol("g_registration_fault")); }

    TestHost host{standin::HostOptions{FAULTY_EFFECT_PATH}};
};

TEST_F(FaultyEffect, RegisteringTwiceIsMisuseAndTheSecondIsRefused)
{
    EXPECT_EQ(host.module().registration().calls, 1);
    registration_fault() = 1;
    EXPECT_EQ(host.module().register_effect(host.suites().basic_suite()), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(host.take_misuse(), "a second registration: \"Faulty\"");
    EXPECT_EQ(host.module().registration().calls, 2);
    EXPECT_EQ(host.module().registration().name, "Faulty"); // the first one stands
}

TEST_F(FaultyEffect, RegisteringWithADataPointerOfItsOwnIsMisuseAndRefused)
{
    registration_fault() = 2;
    EXPECT_EQ(host.module().register_effect(host.suites().basic_suite()), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(host.take_misuse(), "registration with a data pointer that is not the host's: " +
                                      standin::hex(host.module().symbol("g_own_data")));
    EXPECT_EQ(host.module().registration().calls, 0);
    EXPECT_THROW(host.module().effect_main(), standin::HostError);
}

TEST_F(FaultyEffect, NothingDeclaredNothingGiven)
{
    ASSERT_EQ(host.global_setup(), PF_Err_NONE);

    standin::World input8(4, 4, false), output8(4, 4, false);
    standin::FrameRequest request;
    request.input = &input8.def();
    EXPECT_EQ(host.render_frame(request, output8.def()), PF_Err_NONE);
    EXPECT_EQ(host.ledger().first_misuse(), "");
    standin::World input16(4, 4, true), output16(4, 4, true);
    request.input = &input16.def();
    EXPECT_EQ(host.render_frame(request, output16.def()), PF_Err_NONE);
    EXPECT_EQ(host.take_misuse(), "a 16-bit render for an effect that did not declare PF_OutFlag_DEEP_COLOR_AWARE");

    const auto* worlds = host.acquire<PF_WorldSuite2>("PF World Suite", 2);
    PF_EffectWorld world{};
    ASSERT_EQ(worlds->PF_NewWorld(host.in_data().effect_ref, 4, 4, 1, PF_PixelFormat_ARGB32, &world), 0);
    EXPECT_EQ(host.ledger().first_misuse(), "");
    EXPECT_EQ(worlds->PF_DisposeWorld(host.in_data().effect_ref, &world), 0);
    ASSERT_EQ(worlds->PF_NewWorld(host.in_data().effect_ref, 4, 4, 1, PF_PixelFormat_ARGB64, &world), 0);
    EXPECT_EQ(host.take_misuse(), "a 16-bit world for an effect that did not declare PF_OutFlag_DEEP_COLOR_AWARE");
    EXPECT_EQ(worlds->PF_DisposeWorld(host.in_data().effect_ref, &world), 0);
    host.suites().basic_suite()->ReleaseSuite("PF World Suite", 2);

    PF_InData& in = host.in_data();
    PF_LayerAudio audio = nullptr;
    EXPECT_EQ(in.inter.checkout_layer_audio(in.effect_ref, 1, 0, 1, 25, 44100 << 16, 2, 1, 1, &audio), 0);
    EXPECT_EQ(host.take_misuse(), "an audio check-out for an effect that did not declare PF_OutFlag_I_USE_AUDIO");

    std::vector<uint8_t> block;
    EXPECT_EQ(host.save(block), PF_Err_NONE);
    EXPECT_EQ(host.take_misuse(), "get flattened sequence data for an effect that did not declare "
                                  "PF_OutFlag2_SUPPORTS_GET_FLATTENED_SEQUENCE_DATA");
    EXPECT_EQ(host.held(), "");
}

} // namespace
