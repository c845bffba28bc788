// The eleven definitions that parameter setup adds, as the host receives them.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "EffectFixture.h"
#include "overlay/Params.h"

namespace {

// Zero in every member the effect does not set.
std::vector<PF_ParamDef> ExpectedDefinitions()
{
    std::vector<PF_ParamDef> defs;
    defs.reserve(11); // the references below stay valid
    auto add = [&defs](PF_ParamType type, const char* name, A_long id) -> PF_ParamDef& {
        PF_ParamDef& def = defs.emplace_back();
        std::memset(&def, 0, sizeof def);
        def.param_type = type;
        std::strcpy(def.name, name);
        def.uu.id = id;
        return def;
    };
    PF_FloatSliderDef& opacity = add(PF_Param_FLOAT_SLIDER, "Opacity", 1).u.fs_d;
    opacity.valid_max = opacity.slider_max = 100;
    opacity.value = 100.0;
    opacity.dephault = 100.0f;
    opacity.precision = 2;
    opacity.curve_tolerance = 0.05f;
    PF_ColorDef& color = add(PF_Param_COLOR, "Color", 2).u.cd;
    color.value = color.dephault = {255, 255, 255, 255};
    PF_ParamDef& button = add(PF_Param_BUTTON, "Font", 11);
    button.flags = 64;
    button.ui_flags = 4;
    PF_FloatSliderDef& size = add(PF_Param_FLOAT_SLIDER, "Font Size", 3).u.fs_d;
    size.valid_max = 4000;
    size.slider_min = 1;
    size.slider_max = 128;
    size.value = 32.0;
    size.dephault = 32.0f;
    size.precision = 1;
    size.curve_tolerance = 0.05f;
    PF_PopupDef& weight = add(PF_Param_POPUP, "Font Weight", 4).u.pd;
    weight.value = weight.dephault = 1;
    weight.num_choices = 2;
    PF_PointDef& position = add(PF_Param_POINT, "Position", 5).u.td;
    position.x_value = position.y_value = position.x_dephault = position.y_dephault = 3276800;
    add(PF_Param_LAYER, "Audio Source Layer", 6).u.ld.dephault = -1;
    add(PF_Param_GROUP_START, "Advanced", 7);
    PF_SliderDef& offset = add(PF_Param_SLIDER, "Sample Offset (Frames)", 8).u.sd;
    offset.valid_min = -1000000000;
    offset.valid_max = 1000000000;
    offset.slider_min = -100;
    offset.slider_max = 100;
    PF_SliderDef& width = add(PF_Param_SLIDER, "Sample Width (Frames)", 9).u.sd;
    width.valid_min = width.slider_min = 1;
    width.valid_max = 60;
    width.slider_max = 30;
    width.value = width.dephault = 4;
    add(PF_Param_GROUP_END, "", 7);
    return defs;
}

class ParamsSetupTest : public EffectTest, public ::testing::WithParamInterface<A_u_long> {
protected:
    ParamsSetupTest() : EffectTest(GetParam()) {}
};

TEST_P(ParamsSetupTest, AddsElevenDefinitionsAfterTheInputLayer)
{
    host.out_data().num_params = 0;
    ASSERT_EQ(host.command(PF_Cmd_PARAMS_SETUP), PF_Err_NONE);
    EXPECT_EQ(host.out_data().num_params, 12);
    const std::vector<standin::Call> adds = host.ledger().named("inter.add_param");
    ASSERT_EQ(adds.size(), 11u);
    for (const standin::Call& add : adds)
        EXPECT_EQ(add.args.rfind("index -1,", 0), 0u) << add.args;
    // Every name but the group end's goes through the host's own strcpy.
    EXPECT_EQ(host.ledger().count("utils.ansi.strcpy"), 10u);

    // The texts behind the two pointers, then every byte of each definition.
    ASSERT_EQ(host.params().size(), 12u);
    const char* label = host.params()[3].u.button_d.u.namesptr;
    const char* choices = host.params()[5].u.pd.u.namesptr;
    EXPECT_STREQ(label, "Choose Font...");
    EXPECT_STREQ(choices, "Bold|Regular");
    std::vector<PF_ParamDef> expected = ExpectedDefinitions();
    expected[2].u.button_d.u.namesptr = label;
    expected[4].u.pd.u.namesptr = choices;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const auto* want = reinterpret_cast<const unsigned char*>(&expected[i]);
        const auto* got = reinterpret_cast<const unsigned char*>(&host.params()[i + 1]);
        const std::size_t at = std::size_t(std::mismatch(want, want + sizeof(PF_ParamDef), got).first - want);
        EXPECT_EQ(at, sizeof(PF_ParamDef)) << "parameter " << i + 1 << " differs first at byte " << at;
    }
    ExpectBalanced();
}

INSTANTIATE_TEST_SUITE_P(Hosts, ParamsSetupTest, ::testing::Values(PF_ApplId_AFTER_EFFECTS, PF_ApplId_PREMIERE),
                         [](const auto& id) { return id.param == PF_ApplId_PREMIERE ? "PremierePro" : "AfterEffects"; });

} // namespace
