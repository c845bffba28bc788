// marrowtick: checks and drives the installed effect through the stand-in host.
#include <cstdio>
#include <cstring>
#include <exception>

#include "Commands.h"
#include "LibraryCaches.h"

namespace runner {

int fail(const std::string& what)
{
    std::fprintf(stderr, "marrowtick: %s\n", what.c_str());
    return 1;
}

namespace {

const Command kCommands[] = {
    {"info", "print the effect's registration and global setup", info},
    {"about", "print the effect's About text", about},
    {"params", "print the effect's parameters [--state FILE]", params},
    {"fonts", "print the entries of the effect's font dialog [--state FILE]", fonts},
    {"render", "render frames to numbered PNG files (render --help)", render},
};

void usage(FILE* to)
{
    std::fprintf(to, "usage: marrowtick [--plugin PATH] [--host aftereffects|premiere] COMMAND [ARGS]\n"
                     "commands:\n");
    for (const Command& c : kCommands)
        std::fprintf(to, "  %-8s %s\n", c.name, c.summary);
}

} // namespace
} // namespace runner

int main(int argc, char** argv)
{
    using namespace runner;
    Invocation inv;
    inv.appl_id = PF_ApplId_AFTER_EFFECTS;
    const Command* command = nullptr;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool has_value = i + 1 < argc;
        if (arg == "--plugin" && has_value) {
            inv.plugin_path = argv[++i];
        } else if (arg == "--host" && has_value) {
            const std::string host = argv[++i];
            if (host == "premiere")
                inv.appl_id = PF_ApplId_PREMIERE;
            else if (host == "aftereffects")
                inv.appl_id = PF_ApplId_AFTER_EFFECTS;
            else
                return fail("unknown host '" + host + "' (aftereffects or premiere)");
        } else if (!command && (arg == "--help" || arg == "-h")) {
            usage(stdout);
            return 0;
        } else if (!command) {
            for (const Command& c : kCommands)
                if (arg == c.name)
                    command = &c;
            if (!command) {
                usage(stderr);
                return fail("unknown command '" + arg + "'");
            }
        } else {
            inv.args.push_back(arg);
        }
    }
    if (!command) {
        usage(stderr);
        return 1;
    }
    int status;
    try {
        status = command->run(inv);
    } catch (const std::exception& e) {
        status = fail(e.what());
    }
    release_library_caches();
    return status;
}
