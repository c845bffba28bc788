// marrowtick about: the text of the host's About box.
#include <cstdio>
#include <string>

#include <CLI/CLI.hpp>

#include "Commands.h"
#include "Host.h"

namespace runner {

namespace {

int show_about(const Invocation& inv)
{
    standin::Host host({inv.plugin_path, inv.appl_id});
    if (const PF_Err err = host.load())
        return fail("registration refused with error " + std::to_string(err));
    if (const PF_Err err = host.about())
        return fail("the about command failed with error " + std::to_string(err));
    std::string text(host.out_data().return_msg);
    for (char& c : text)
        if (c == '\r')
            c = '\n';
    std::printf("%s\n", text.c_str());
    return 0;
}

} // namespace

Run about(CLI::App&)
{
    return show_about;
}

} // namespace runner
