// The eleven definitions that parameter setup adds, as the host receives them.
#include <cstring>
#include <string>
#include <vector>

#include "EffectFixture.h"
#include "overlay/Params.h"

namespace {

PF_ParamDef Definition(PF_ParamType type, const char* name, A_long id)
{
    PF_ParamDef def;
    std::memset(&def, 0, sizeof def);
    def.param_type = type;
    std::strcpy(def.name, name);
    def.uu.id = id;
    return def;
}

// Zero in every member the effect does not set.
std::vector<PF_ParamDef> ExpectedDefinitions()
{
    std::vector<PF_ParamDef> defs;
    PF_ParamDef d = Definition(PF_Param_FLOAT_SLIDER, "Opacity", 1);
    d.u.fs_d.valid_max = d.u.fs_d.slider_max = 100;
    d.u.fs_d.value = 100.0;
    d.u.fs_d.dephault = 100.0f;
    d.u.fs_d.precision = 2;
    d.u.fs_d.curve_tolerance = 0.05f;
    defs.push_back(d);
    d = Definition(PF_Param_COLOR, "Color", 2);
    d.u.cd.value = d.u.cd.dephault = {255, 255, 255, 255};
    defs.push_back(d);
    d = Definition(PF_Param_BUTTON, "Font", 11);
    d.flags = 64;
    d.ui_flags = 4;
    defs.push_back(d);
    d = Definition(PF_Param_FLOAT_SLIDER, "Font Size", 3);
    d.u.fs_d = defs[0].u.fs_d;
    d.u.fs_d.valid_max = 4000;
    d.u.fs_d.slider_min = 1;
    d.u.fs_d.slider_max = 128;
    d.u.fs_d.value = 32.0;
    d.u.fs_d.dephault = 32.0f;
    d.u.fs_d.precision = 1;
    defs.push_back(d);
    d = Definition(PF_Param_POPUP, "Font Weight", 4);
    d.u.pd.value = d.u.pd.dephault = 1;
    d.u.pd.num_choices = 2;
    defs.push_back(d);
    d = Definition(PF_Param_POINT, "Position", 5);
    d.u.td.x_value = d.u.td.y_value = d.u.td.x_dephault = d.u.td.y_dephault = 3276800;
    defs.push_back(d);
    d = Definition(PF_Param_LAYER, "Audio Source Layer", 6);
    d.u.ld.dephault = -1;
    defs.push_back(d);
    defs.push_back(Definition(PF_Param_GROUP_START, "Advanced", 7));
    d = Definition(PF_Param_SLIDER, "Sample Offset (Frames)", 8);
    d.u.sd.valid_min = -1000000000;
    d.u.sd.valid_max = 1000000000;
    d.u.sd.slider_min = -100;
    d.u.sd.slider_max = 100;
    defs.push_back(d);
    d = Definition(PF_Param_SLIDER, "Sample Width (Frames)", 9);
    d.u.sd.valid_min = d.u.sd.slider_min = 1;
    d.u.sd.valid_max = 60;
    d.u.sd.slider_max = 30;
    d.u.sd.value = d.u.sd.dephault = 4;
    defs.push_back(d);
    defs.push_back(Definition(PF_Param_GROUP_END, "", 7));
    return defs;
}

// "" when equal, else the first differing byte's offset and values.
std::string FirstDifference(const PF_ParamDef& want, const PF_ParamDef& got)
{
    const auto* w = reinterpret_cast<const unsigned char*>(&want);
    const auto* g = reinterpret_cast<const unsigned char*>(&got);
    for (std::size_t i = 0; i < sizeof want; ++i)
        if (w[i] != g[i])
            return "byte " + std::to_string(i) + ": expected " + std::to_string(w[i]) + ", got " +
                   std::to_string(g[i]);
    return "";
}

class ParamsSetupTest : public EffectTest, public ::testing::WithParamInterface<A_u_long> {
protected:
    ParamsSetupTest() : EffectTest(GetParam()) {}
};

TEST_P(ParamsSetupTest, AddsElevenDefinitionsAfterTheInputLayer)
{
    host.out_data().num_params = 0;
    ASSERT_EQ(host.command(PF_Cmd_PARAMS_SETUP), PF_Err_NONE);
    EXPECT_EQ(host.out_data().num_params, PARAM_NUM_PARAMS);

    const std::vector<standin::Call> adds = host.ledger().named("inter.add_param");
    ASSERT_EQ(adds.size(), 11u);
    for (const standin::Call& add : adds)
        EXPECT_EQ(add.args.rfind("index -1,", 0), 0u) << add.args;
    // Every name but the group end's goes through the host's own strcpy.
    EXPECT_EQ(host.ledger().count("utils.ansi.strcpy"), 10u);

    ASSERT_EQ(host.params().size(), std::size_t(PARAM_NUM_PARAMS));
    std::vector<PF_ParamType> types;
    std::vector<A_long> ids;
    for (std::size_t i = 1; i < host.params().size(); ++i) {
        types.push_back(host.params()[i].param_type);
        ids.push_back(host.params()[i].uu.id);
    }
    EXPECT_EQ(types, (std::vector<PF_ParamType>{10, 5, 15, 10, 7, 6, 0, 13, 1, 1, 14}));
    EXPECT_EQ(ids, (std::vector<A_long>{1, 2, 11, 3, 4, 5, 6, 7, 8, 9, 7}));

    // The texts behind the two pointers, then every byte of each definition.
    PF_ParamDef& button = host.params()[PARAM_FONT_BUTTON];
    PF_ParamDef& popup = host.params()[PARAM_FONT_WEIGHT];
    EXPECT_STREQ(button.u.button_d.u.namesptr, "Choose Font...");
    EXPECT_STREQ(popup.u.pd.u.namesptr, "Bold|Regular");
    std::vector<PF_ParamDef> expected = ExpectedDefinitions();
    expected[PARAM_FONT_BUTTON - 1].u.button_d.u.namesptr = button.u.button_d.u.namesptr;
    expected[PARAM_FONT_WEIGHT - 1].u.pd.u.namesptr = popup.u.pd.u.namesptr;
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(FirstDifference(expected[i], host.params()[i + 1]), "") << "parameter " << i + 1;
    ExpectBalanced();
}

INSTANTIATE_TEST_SUITE_P(Hosts, ParamsSetupTest,
                         ::testing::Values(PF_ApplId_AFTER_EFFECTS, PF_ApplId_PREMIERE),
                         [](const auto& host_id) {
                             return host_id.param == PF_ApplId_PREMIERE ? "PremierePro" : "AfterEffects";
                         });

} // namespace
