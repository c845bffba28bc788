// What the stand-in host holds an effect to: each breach is provoked here the
// way a faulty effect would make it, and must be recorded with its text.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "AEGP_Suites.h"
#include "CallGuard.h"
#include "EffectFixture.h"
#include "PF_Suites.h"
#include "World.h"

namespace {

// A message longer than the room left in return_msg from where it starts is
// cut to fit and never reaches the field after it, through the suite and
// the input record's callbacks alike; anywhere else the host cannot tell the
// size and writes as asked.
TEST(Strict, AnOverlongMessageIsCutToFit)
{
    TestHost host;
    PF_OutData& out = host.out_data();
    out.out_flags2 = 0x800000;
    const PF_ANSICallbacks* suite = host.acquire<PF_ANSICallbacks>("PF ANSI Suite", 1);
    const PF_ANSICallbacks* utils = &host.in_data().utils->ansi;
    const struct {
        const PF_ANSICallbacks* ansi;
        bool sprintf;
        std::size_t at, length;
        std::string misuse;
    } rows[] = {
        {suite, true, 0, 255, ""},
        {suite, true, 0, 256, "PF ANSI Suite v1.sprintf: 256 characters written into return_msg, which holds 255"},
        {suite, false, 0, 259, "PF ANSI Suite v1.strcpy: 259 characters written into return_msg, which holds 255"},
        {utils, false, 200, 100, "utils.ansi.strcpy: 100 characters written into return_msg, which holds 55"},
        {utils, true, 250, 7, "utils.ansi.sprintf: 7 characters written into return_msg, which holds 5"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.length);
        const std::string text(row.length, 'x'), kept = text.substr(0, 255 - row.at);
        std::memset(out.return_msg, 0, sizeof out.return_msg);
        if (row.sprintf)
            EXPECT_EQ(row.ansi->sprintf(out.return_msg + row.at, "%s", text.c_str()), int(kept.size()));
        else
            row.ansi->strcpy(out.return_msg + row.at, text.c_str());
        EXPECT_EQ(host.take_misuse(), row.misuse);
        EXPECT_EQ(out.return_msg + row.at, kept);
        EXPECT_EQ(out.out_flags2, 0x800000);
    }
    char elsewhere[300];
    EXPECT_EQ(suite->sprintf(elsewhere, "%s", std::string(259, 'x').c_str()), 259);
    EXPECT_EQ(host.ledger().first_misuse(), "");
    host.suites().basic_suite()->ReleaseSuite("PF ANSI Suite", 1);
}

TEST(Strict, ACallThroughAReleasedSuiteIsMisuse)
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
}

class StrictGlobalSetup : public EffectTest {};

// One registration with the plug-in services per global setup.
TEST_F(StrictGlobalSetup, EachGlobalSetupMayRegisterOnce)
{
    ASSERT_EQ(host.global_setup(), PF_Err_NONE);
    ASSERT_EQ(host.global_setup(), PF_Err_NONE);
    EXPECT_EQ(host.ledger().count("AEGP Utility Suite v7.RegisterWithAEGP"), 2u);
    EXPECT_EQ(host.ledger().first_misuse(), "");
    const auto* utility = host.acquire<AEGP_UtilitySuite3>("AEGP Utility Suite", 7);
    AEGP_PluginID id = 0;
    ASSERT_EQ(utility->AEGP_RegisterWithAEGP(nullptr, "Faulty", &id), 0);
    EXPECT_EQ(host.take_misuse(), "a second registration with the plug-in services: \"Faulty\"");
    host.suites().basic_suite()->ReleaseSuite("AEGP Utility Suite", 7);
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

// Registering twice, or with a data pointer of its own: misuse, refused.
TEST_F(FaultyEffect, ARegistrationBreakingTheRulesIsRefused)
{
    EXPECT_EQ(host.module().registration().calls, 1);
    registration_fault() = 1;
    EXPECT_EQ(host.module().register_effect(host.suites().basic_suite()), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(host.take_misuse(), "a second registration: \"Faulty\"");
    EXPECT_EQ(host.module().registration().calls, 2);
    EXPECT_EQ(host.module().registration().name, "Faulty"); // the first one stands

    registration_fault() = 2;
    EXPECT_EQ(host.module().register_effect(host.suites().basic_suite()), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(host.take_misuse(), "registration with a data pointer that is not the host's: " +
                                      standin::hex(host.module().symbol("g_own_data")));
    EXPECT_EQ(host.module().registration().calls, 0);
    EXPECT_THROW(host.module().effect_main(), standin::HostError);
}

// It declares nothing at global setup, so each service is more than it asked
// for, and counts parameters it never added.
TEST_F(FaultyEffect, NothingDeclaredNothingGiven)
{
    ASSERT_EQ(host.global_setup(), PF_Err_NONE);
    for (bool deep : {false, true}) {
        standin::World input(4, 4, deep), output(4, 4, deep);
        standin::FrameRequest request;
        request.input = &input.def();
        EXPECT_EQ(host.render_frame(request, output.def()), PF_Err_NONE);
        EXPECT_EQ(host.take_misuse(),
                  deep ? "a 16-bit render for an effect that did not declare PF_OutFlag_DEEP_COLOR_AWARE" : "");
    }
    const auto* worlds = host.acquire<PF_WorldSuite2>("PF World Suite", 2);
    for (PF_PixelFormat format : {PF_PixelFormat_ARGB32, PF_PixelFormat_ARGB64}) {
        PF_EffectWorld world{};
        ASSERT_EQ(worlds->PF_NewWorld(host.in_data().effect_ref, 4, 4, 1, format, &world), 0);
        EXPECT_EQ(host.take_misuse(), format == PF_PixelFormat_ARGB64 ? "a 16-bit world for an effect that did not "
                                                                        "declare PF_OutFlag_DEEP_COLOR_AWARE"
                                                                      : "");
        EXPECT_EQ(worlds->PF_DisposeWorld(host.in_data().effect_ref, &world), 0);
    }
    host.suites().basic_suite()->ReleaseSuite("PF World Suite", 2);

    PF_InData& in = host.in_data();
    PF_LayerAudio audio = nullptr;
    EXPECT_EQ(in.inter.checkout_layer_audio(in.effect_ref, 1, 0, 1, 25, 44100 << 16, 2, 1, 1, &audio), 0);
    EXPECT_EQ(host.take_misuse(), "an audio check-out for an effect that did not declare PF_OutFlag_I_USE_AUDIO");
    EXPECT_EQ(host.create_instance(), PF_Err_NONE);
    EXPECT_EQ(host.take_misuse(), "params setup reported 5 parameters, the host holds 1");
    std::vector<uint8_t> block;
    EXPECT_EQ(host.save(block), PF_Err_NONE);
    EXPECT_EQ(host.take_misuse(), "get flattened sequence data for an effect that did not declare "
                                  "PF_OutFlag2_SUPPORTS_GET_FLATTENED_SEQUENCE_DATA");
    EXPECT_EQ(host.held(), "");
}

} // namespace
