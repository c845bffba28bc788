// "AEGP Utility Suite" 7: registration with the host's plug-in services.
#include <stdexcept>

#include "AEGP_Suites.h"
#include "CallGuard.h"
#include "Suites.h"

namespace standin {
namespace {

PF_Err register_with_aegp(AEGP_GlobalRefcon global_refcon, const A_char* plugin_name,
                          AEGP_PluginID* plugin_id)
{
    const auto args = [&] { return std::string(plugin_name ? plugin_name : ""); };
    return guarded("AEGP Utility Suite v7.RegisterWithAEGP", args,
                   [&](bool) {
                       if (!plugin_name || !plugin_id)
                           throw std::invalid_argument("null name or id pointer");
                       // An effect has no global refcon of the plug-in services to pass.
                       if (global_refcon)
                           throw std::invalid_argument("a global refcon from an effect");
                       // Ids are handed out from a base the effect cannot guess.
                       const AEGP_PluginID id = 0x4D540000 + Host::current().last_plugin_id() % 0x10000 + 1;
                       *plugin_id = id;
                       Host::current().note_registration(plugin_name, id);
                       return PF_Err_NONE;
                   });
}

AEGP_UtilitySuite3 make_utility_suite7()
{
    AEGP_UtilitySuite3 suite{};
    for (AEGP_UnusedEntry& entry : suite.unused_0_to_6)
        entry = unoffered_entry;
    suite.AEGP_RegisterWithAEGP = register_with_aegp;
    return suite;
}

const AEGP_UtilitySuite3 kUtilitySuite7 = make_utility_suite7();

} // namespace

const void* utility_suite7_table() { return &kUtilitySuite7; }

} // namespace standin
