// marrowtick: checks and drives the installed effect through the stand-in host.
#include <malloc.h>

#include <cstdio>
#include <cstring>
#include <exception>

#include "Commands.h"
#include "LibraryCaches.h"
#include "RenderOptions.h"

namespace runner {

int fail(const std::string& what)
{
    std::fprintf(stderr, "marrowtick: %s\n", what.c_str());
    return 1;
}

namespace {

#define MARROWTICK_USAGE "usage: marrowtick [--plugin PATH] [--host aftereffects|premiere] "

const char kInfoUsage[] = MARROWTICK_USAGE "info\n"
                          "Prints the effect's registration (names, category, entry, kind, interface\n"
                          "version) and what its global setup returns (version and flags).\n";
const char kAboutUsage[] = MARROWTICK_USAGE "about\n"
                           "Prints the effect's About text.\n";
const char kParamsUsage[] = MARROWTICK_USAGE "params [--state FILE]\n"
                            "Prints the effect's parameters (index, name, type, range, default), then the\n"
                            "instance's font. --state FILE: the instance's saved state, read and stored back.\n";
const char kFontsUsage[] = MARROWTICK_USAGE "fonts [--state FILE]\n"
                           "Presses \"Choose Font...\" and prints the dialog's entries, one a line; '*' marks\n"
                           "the entry it opens on. --state FILE: the instance's saved state, only read.\n";

const Command kCommands[] = {
    {"info", "print the effect's registration and global setup", kInfoUsage, info},
    {"about", "print the effect's About text", kAboutUsage, about},
    {"params", "print the effect's parameters [--state FILE]", kParamsUsage, params},
    {"fonts", "print the entries of the effect's font dialog [--state FILE]", kFontsUsage, fonts},
    {"render", "render frames to numbered PNG files (render --help)", kRenderUsage, render},
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
    // Pictures are large and short-lived: taken from the system and given
    // back at once. glibc raises this threshold (128 KiB) past the first
    // picture it frees; its heap then grew by a frame or two with every
    // frame rendered.
    mallopt(M_MMAP_THRESHOLD, 128 << 10);
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
    for (const std::string& arg : inv.args) {
        if (arg == "--help" || arg == "-h") {
            std::fputs(command->usage, stdout);
            return 0;
        }
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
