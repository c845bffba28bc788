// marrowtick info: what the host learns of the effect when it scans plug-ins.
#include <cstdio>

#include <CLI/CLI.hpp>

#include "Commands.h"
#include "Host.h"

namespace runner {

namespace {
std::string fourcc(A_u_long v)
{
    return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
}
int show_info(const Invocation& inv)
{
    standin::Host host({inv.plugin_path, inv.appl_id});
    if (const PF_Err err = host.load())
        return fail("registration refused with error " + std::to_string(err));
    const standin::Registration& r = host.module().registration();
    std::printf("module:       %s\n", host.module().path().c_str());
    std::printf("name:         %s\n", r.name.c_str());
    std::printf("match name:   %s\n", r.match_name.c_str());
    std::printf("category:     %s\n", r.category.c_str());
    std::printf("entry:        %s\n", r.entry_name.c_str());
    std::printf("kind:         '%s'\n", fourcc(A_u_long(r.kind)).c_str());
    std::printf("interface:    %d.%d (reserved %d)\n", r.api_major, r.api_minor, r.reserved_info);

    if (const PF_Err err = host.global_setup())
        return fail("global setup failed with error " + std::to_string(err));
    const PF_OutData& out = host.out_data();
    const A_u_long v = out.my_version;
    std::printf("version:      %u.%u.%u (stage %u, build %u)\n", (v >> 19) & 7, (v >> 15) & 15,
                (v >> 11) & 15, (v >> 9) & 3, v & 511);
    std::printf("out_flags:    0x%08X\n", unsigned(out.out_flags));
    std::printf("out_flags2:   0x%08X\n", unsigned(out.out_flags2));
    if (!host.registered_name().empty())
        std::printf("plug-in id:   %d (registered as \"%s\")\n", host.last_plugin_id(),
                    host.registered_name().c_str());
    return 0;
}

} // namespace

Run info(CLI::App& command)
{
    command.footer("The registration: names, category, entry, kind, interface version; then what global setup\n"
                   "returns: version and flags.");
    return show_info;
}

} // namespace runner
