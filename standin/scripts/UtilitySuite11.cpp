#include "UtilitySuite11.h"

#include <stdexcept>

#include "AEGP_Suites.h"
#include "CallGuard.h"
#include "MemorySuite.h"
#include "Suites.h"

namespace standin {
namespace {

// Runs the script in the host's engine (Host::scripts()) and returns once
// every window it showed is closed. *result0 receives the script's value
// as text; *error0, when asked for, the engine's message on failure. Both
// are memory handles that the caller frees.
PF_Err execute_script(AEGP_PluginID plugin_id, const A_char* script, A_Boolean platform_encoding,
                      AEGP_MemHandle* result0, AEGP_MemHandle* error0)
{
    const auto args = [&] {
        return "plug-in " + std::to_string(plugin_id) + (platform_encoding ? ", platform encoding" : ", UTF-8");
    };
    return guarded("AEGP Utility Suite v11.ExecuteScript", args, [&](bool give_null) -> PF_Err {
        if (!script)
            throw std::invalid_argument("null script");
        if (result0)
            *result0 = nullptr;
        if (error0)
            *error0 = nullptr;
        const ScriptOutcome outcome = Host::current().scripts().run(script);
        if (!outcome.ok) {
            if (error0)
                *error0 = new_mem_text(outcome.text);
            return kScriptFailed;
        }
        if (result0 && !give_null)
            *result0 = new_mem_text(outcome.text);
        return PF_Err_NONE;
    });
}

AEGP_UtilitySuite5 make_utility_suite11()
{
    AEGP_UtilitySuite5 suite{};
    for (AEGP_UnusedEntry& entry : suite.unused_0_to_26)
        entry = unoffered_entry;
    suite.AEGP_ExecuteScript = execute_script;
    return suite;
}

const AEGP_UtilitySuite5 kUtilitySuite11 = make_utility_suite11();

} // namespace

const void* utility_suite11_table() { return &kUtilitySuite11; }

} // namespace standin
