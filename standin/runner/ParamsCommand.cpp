// marrowtick params: the effect's parameters as the host shows them.
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "Commands.h"
#include "FontChoice.h"
#include "Host.h"
#include "StateFile.h"

namespace runner {

namespace {

const char* type_name(PF_ParamType type)
{
    switch (type) {
    case PF_Param_LAYER: return "layer";
    case PF_Param_SLIDER: return "slider";
    case PF_Param_COLOR: return "color";
    case PF_Param_POINT: return "point";
    case PF_Param_POPUP: return "popup";
    case PF_Param_FLOAT_SLIDER: return "float slider";
    case PF_Param_GROUP_START: return "group start";
    case PF_Param_GROUP_END: return "group end";
    case PF_Param_BUTTON: return "button";
    default: return "other";
    }
}

std::string format(const char* fmt, auto... values)
{
    char text[160];
    std::snprintf(text, sizeof text, fmt, values...);
    return text;
}

// The popup's choices: '|'-separated in the definition.
std::vector<std::string> split_choices(const char* names)
{
    std::vector<std::string> out(1);
    for (const char* c = names ? names : ""; *c; ++c) {
        if (*c == '|')
            out.emplace_back();
        else
            out.back() += *c;
    }
    return out;
}

// Numbered from 1, as the popup's values are.
std::pair<std::string, std::string> popup_columns(const PF_PopupDef& pd)
{
    const std::vector<std::string> names = split_choices(pd.u.namesptr);
    std::string range = "choices";
    for (std::size_t i = 0; i < names.size(); ++i)
        range += (i ? ", " : " ") + std::to_string(i + 1) + " " + names[i];
    const bool known = pd.dephault >= 1 && std::size_t(pd.dephault) <= names.size();
    return {range, std::to_string(pd.dephault) + " (" + (known ? names[pd.dephault - 1] : "?") + ")"};
}

double fixed(PF_Fixed v)
{
    return v / 65536.0;
}

// The range and the default columns of one definition.
std::pair<std::string, std::string> range_and_default(const PF_ParamDef& def, bool is_input)
{
    const PF_ParamDefUnion& u = def.u;
    switch (def.param_type) {
    case PF_Param_FLOAT_SLIDER:
        return {format("%g to %g (slider %g to %g)", u.fs_d.valid_min, u.fs_d.valid_max,
                       u.fs_d.slider_min, u.fs_d.slider_max),
                format("%.*f", int(u.fs_d.precision), double(u.fs_d.dephault))};
    case PF_Param_SLIDER:
        return {format("%d to %d (slider %d to %d)", u.sd.valid_min, u.sd.valid_max,
                       u.sd.slider_min, u.sd.slider_max),
                std::to_string(u.sd.dephault)};
    case PF_Param_COLOR:
        return {"", format("alpha %d, red %d, green %d, blue %d", u.cd.dephault.alpha,
                           u.cd.dephault.red, u.cd.dephault.green, u.cd.dephault.blue)};
    case PF_Param_POPUP:
        return popup_columns(u.pd);
    case PF_Param_POINT:
        return {u.td.restrict_bounds ? "inside the layer" : "",
                format("%g%%, %g%% of the layer", fixed(u.td.x_dephault), fixed(u.td.y_dephault))};
    case PF_Param_BUTTON:
        return {"", format("label \"%s\"", u.button_d.u.namesptr ? u.button_d.u.namesptr : "")};
    case PF_Param_LAYER:
        if (is_input)
            return {"", "the layer the effect is on"};
        return {"", std::to_string(u.ld.dephault) +
                        (u.ld.dephault == PF_LayerDefault_MYSELF ? " (this layer)"
                         : u.ld.dephault == PF_LayerDefault_NONE ? " (none)" : "")};
    default:
        return {"", ""};
    }
}

int show_params(const Invocation& inv, const std::string& state_file)
{
    StateFile state(state_file);
    if (const std::string why = state.unwritable_reason(); !why.empty())
        return fail(why);
    standin::Host host({inv.plugin_path, inv.appl_id});
    if (const PF_Err err = host.load())
        return fail("registration refused with error " + std::to_string(err));
    if (const PF_Err err = state.open(host))
        return fail("the effect instance could not be created: error " + std::to_string(err));

    std::printf("%-5s %-24s %-13s %-48s %s\n", "index", "name", "type", "range", "default");
    const std::vector<PF_ParamDef>& defs = host.params();
    for (std::size_t i = 0; i < defs.size(); ++i) {
        const PF_ParamDef& def = defs[i];
        const auto [range, dephault] = range_and_default(def, i == 0);
        const std::string name = i == 0 ? "(input)" : def.name;
        std::printf("%5zu %-24s %-13s %-48s %s\n", i, name.c_str(), type_name(def.param_type),
                    range.c_str(), dephault.c_str());
    }

    const bool stored = state.store(host);
    if (const std::vector<uint8_t>& block = state.last_block(); !block.empty()) {
        const char* name = reinterpret_cast<const char*>(&block[1]);
        const std::string font(name, strnlen(name, 255));
        std::printf("\nfont: \"%s\" (%s)\n", printable_entry(font).c_str(),
                    block.back() ? "the default family" : "chosen by the user");
    }
    host.destroy_instance();
    return stored ? 0 : 1;
}

} // namespace

Run params(CLI::App& command)
{
    command.footer("Each parameter's index, name, type, range and default, then the instance's font.");
    auto state = std::make_shared<std::string>();
    command.add_option("--state", *state, "the instance's saved state, read and stored back")->type_name("FILE");
    return [state](const Invocation& inv) { return show_params(inv, *state); };
}

} // namespace runner
