// marrowtick fonts: the font families that the effect's dialog offers.
#include <cstdio>
#include <memory>

#include <CLI/CLI.hpp>

#include "Commands.h"
#include "FontChoice.h"
#include "Host.h"
#include "StateFile.h"

namespace runner {

namespace {

int show_fonts(const Invocation& inv, const std::string& state_file)
{
    StateFile state(state_file);
    standin::Host host({inv.plugin_path, inv.appl_id});
    if (const PF_Err err = host.load())
        return fail("registration refused with error " + std::to_string(err));
    if (const PF_Err err = state.open(host))
        return fail("the effect instance could not be created: error " + std::to_string(err));
    const std::string err = show_font_dialog(host);
    host.destroy_instance();
    if (!err.empty())
        return fail(err);
    // As the dialog shows them; '*' marks the entry it opens on.
    const standin::ShownDialog& dialog = *host.scripts().last_dialog();
    for (std::size_t i = 0; i < dialog.entries.size(); ++i)
        std::printf("%s %s\n", int(i) == dialog.preselected ? "*" : " ",
                    printable_entry(dialog.entries[i]).c_str());
    return 0;
}

} // namespace

Run fonts(CLI::App& command)
{
    command.footer("Presses \"Choose Font...\" as a user who cancels and prints the dialog's entries, one a line;\n"
                   "'*' marks the entry it opens on.");
    auto state = std::make_shared<std::string>();
    command.add_option("--state", *state, "the instance's saved state, only read")->type_name("FILE");
    return [state](const Invocation& inv) { return show_fonts(inv, *state); };
}

} // namespace runner
