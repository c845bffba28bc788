// The runner's commands, one source file each.
#pragma once

#include <string>
#include <vector>

#include "PF_Types.h"

namespace runner {

// What every command takes: the common options, then its own arguments.
struct Invocation {
    std::string plugin_path;                   // --plugin PATH; empty: beside the runner
    A_u_long appl_id = 0;                      // --host aftereffects|premiere
    std::vector<std::string> args;             // what follows the command's name
};

// Each returns the process's exit status; errors are printed to stderr.
// `COMMAND --help` never reaches them.
int info(const Invocation& inv);
int about(const Invocation& inv);
// Takes --state FILE (StateFile.h).
int params(const Invocation& inv);
int fonts(const Invocation& inv);
int render(const Invocation& inv);

struct Command {
    const char* name;
    const char* summary;
    const char* usage; // printed for COMMAND --help
    int (*run)(const Invocation&);
};

// Prints "marrowtick: <what>" to stderr and returns 1.
int fail(const std::string& what);

} // namespace runner
