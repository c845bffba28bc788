// The runner's commands, one source file each.
#pragma once

#include <functional>
#include <string>

#include "PF_Types.h"

namespace CLI {
class App;
}

namespace runner {

// The options every command takes.
struct Invocation {
    std::string plugin_path; // --plugin PATH; empty: beside the runner
    A_u_long appl_id = 0;    // --host aftereffects|premiere
};

// A command once its options are parsed: returns the process's exit status,
// after printing any error to stderr. May throw std::exception for a
// one-line error.
using Run = std::function<int(const Invocation&)>;

// Each declares its options and help on `command` and returns its run,
// which reads what the parse left in them.
Run info(CLI::App& command);
Run about(CLI::App& command);
Run params(CLI::App& command);
Run fonts(CLI::App& command);
Run render(CLI::App& command);
Run ltc(CLI::App& command);

// Prints "marrowtick: <what>" to stderr and returns 1.
int fail(const std::string& what);

} // namespace runner
