// marrowtick fonts: the font families that the effect's dialog offers.
#include <cstdio>

#include "Commands.h"
#include "FontChoice.h"
#include "Host.h"

namespace runner {

int fonts(const Invocation& inv)
{
    if (!inv.args.empty())
        return fail("fonts takes no arguments");
    standin::Host host({inv.plugin_path, inv.appl_id});
    if (const PF_Err err = host.load())
        return fail("registration refused with error " + std::to_string(err));
    if (const PF_Err err = host.global_setup())
        return fail("global setup failed with error " + std::to_string(err));
    if (const std::string err = show_font_dialog(host); !err.empty())
        return fail(err);
    // As the dialog shows them; '*' marks the entry it opened on.
    const standin::ShownDialog& dialog = *host.scripts().last_dialog();
    for (std::size_t i = 0; i < dialog.entries.size(); ++i)
        std::printf("%s %s\n", int(i) == dialog.preselected ? "*" : " ",
                    printable_entry(dialog.entries[i]).c_str());
    return 0;
}

} // namespace runner
