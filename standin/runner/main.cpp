// marrowtick: checks and drives the installed effect through the stand-in host.
#include <malloc.h>

#include <cstdio>
#include <exception>
#include <new>
#include <stdexcept>
#include <utility>
#include <vector>

#include <CLI/CLI.hpp>

#include "Commands.h"
#include "LibraryCaches.h"
#include "Options.h"

namespace runner {

int fail(const std::string& what)
{
    std::fprintf(stderr, "marrowtick: %s\n", what.c_str());
    return 1;
}

namespace {

struct Declared {
    const char* name;
    const char* summary;
    Run (*declare)(CLI::App&);
};

const Declared kCommands[] = {
    {"info", "print the effect's registration and global setup", info},
    {"about", "print the effect's About text", about},
    {"params", "print the effect's parameters", params},
    {"fonts", "print the entries of the effect's font dialog", fonts},
    {"render", "render frames to numbered PNG files", render},
    {"ltc", "write a WAV file of generated LTC", ltc},
};

// Arguments that no declaration took, and options given more than once
// (refused: a value given twice is more likely a slip than a wish).
void check_leftovers(CLI::App& app, const CLI::App* command)
{
    const std::vector<std::string> extra = app.remaining();
    const std::string help = command ? command->get_name() + " --help" : "--help";
    if (!extra.empty()) {
        const std::string& first = extra.front();
        if (command && command->get_options().size() == 1)
            throw std::runtime_error(command->get_name() + " takes no arguments");
        if (first.rfind("-", 0) == 0)
            throw std::runtime_error("unknown option " + first + " (see marrowtick " + help + ")");
        throw std::runtime_error((command ? "unexpected argument '" : "unknown command '") + first +
                                 "' (see marrowtick " + help + ")");
    }
    for (const CLI::App* scope : {static_cast<const CLI::App*>(&app), command})
        for (const CLI::Option* option : scope ? scope->get_options() : std::vector<const CLI::Option*>{})
            if (option->count() > 1)
                throw std::runtime_error(option->get_name() + " is given " + std::to_string(option->count()) +
                                         " times: give it once");
}

int run(int argc, char** argv)
{
    CLI::App app("Checks and drives the Marrowtick effect through the stand-in host.", "marrowtick");
    app.get_formatter()->column_width(30);
    app.get_formatter()->label("SUBCOMMAND", "COMMAND");
    app.footer("`marrowtick COMMAND --help` shows what COMMAND takes.");
    // Every value is kept, so that check_leftovers sees an option given twice.
    app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    app.allow_extras();
    app.require_subcommand(0, 1);
    Invocation inv;
    inv.appl_id = PF_ApplId_AFTER_EFFECTS;
    app.add_option("--plugin", inv.plugin_path, "the effect's module (default: Marrowtick.so beside the runner)")
        ->type_name("PATH");
    add_value(app, "--host", "aftereffects|premiere", "the host's application id, 'FXTC' or 'PrMr' (default aftereffects)",
              inv.appl_id, [](const std::string&, const std::string& host) {
                  if (host != "aftereffects" && host != "premiere")
                      throw std::runtime_error("unknown host '" + host + "' (aftereffects or premiere)");
                  return host == "premiere" ? PF_ApplId_PREMIERE : PF_ApplId_AFTER_EFFECTS;
              });
    std::vector<std::pair<CLI::App*, Run>> commands;
    for (const Declared& d : kCommands) {
        CLI::App* command = app.add_subcommand(d.name, d.summary);
        command->group("Commands");
        command->fallthrough();
        command->allow_extras();
        commands.emplace_back(command, d.declare(*command));
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        std::fputs(app.help().c_str(), stdout);
        return 0;
    } catch (const CLI::ArgumentMismatch& e) {
        // "--frames: 1 required N missing"
        const std::string what = e.what();
        throw std::runtime_error(what.substr(0, what.find(':')) + " needs a value");
    }
    for (auto& [command, run_command] : commands) {
        if (command->parsed()) {
            check_leftovers(app, command);
            return run_command(inv);
        }
    }
    check_leftovers(app, nullptr);
    std::fputs(app.help().c_str(), stderr);
    return 1;
}

} // namespace
} // namespace runner

int main(int argc, char** argv)
{
    // Pictures are large and short-lived: taken from the system and given
    // back at once. glibc raises this threshold (128 KiB) past the first
    // picture it frees; its heap then grew by a frame or two with every
    // frame rendered.
    mallopt(M_MMAP_THRESHOLD, 128 << 10);
    // Printed without allocating: the handlers may run for a failed allocation.
    int status = 1;
    try {
        status = runner::run(argc, argv);
    } catch (const std::bad_alloc&) {
        std::fputs("marrowtick: out of memory\n", stderr);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "marrowtick: %s\n", e.what());
    }
    runner::release_library_caches();
    return status;
}
