// Option values as the runner reads them. Each reader takes the option's
// name and the text given, and throws std::runtime_error naming both, the
// whole value included ("--size 0x10: 0 is out of range 1 to 16384"), on
// anything it cannot use: a number followed by anything else included.
#pragma once

#include <string>
#include <utility>

#include <CLI/CLI.hpp>

#include "LtcSignal.h"
#include "PF_Records.h"

namespace runner {

[[noreturn]] void bad(const std::string& option, const std::string& value, const std::string& why);

long long whole(const std::string& option, const std::string& value, long long lo, long long hi);
double real(const std::string& option, const std::string& value, double lo, double hi);
// The same for `part`, a piece of `value` ("0x10": "0 is out of range").
long long whole(const std::string& option, const std::string& value, const std::string& part, long long lo,
                long long hi);
double real(const std::string& option, const std::string& value, const std::string& part, double lo, double hi);
// "N/D" (or "N", meaning N/1), both 1 to 1000000.
PF_RationalScale rational(const std::string& option, const std::string& value);
// 23.976, 24, 25, 29.97, 30, 50, 59.94, 60 or N/D: the time scale and step.
PF_RationalScale frame_rate(const std::string& option, const std::string& value);
standin::Timecode timecode(const std::string& option, const std::string& value);

// A reader of whole numbers from lo to hi, for add_value.
inline auto whole_in(long long lo, long long hi)
{
    return [lo, hi](const std::string& option, const std::string& value) { return whole(option, value, lo, hi); };
}
inline auto real_in(double lo, double hi)
{
    return [lo, hi](const std::string& option, const std::string& value) { return real(option, value, lo, hi); };
}

// Declares `name` on `command`: `help` and `type` make its line in --help,
// and the value given, read by `read(name, text)`, lands in `target`.
template <class Target, class Read>
CLI::Option* add_value(CLI::App& command, const std::string& name, const std::string& type, const std::string& help,
                       Target& target, Read read)
{
    return command
        .add_option_function<std::string>(
            name, [&target, name, read](const std::string& text) { target = read(name, text); }, help)
        ->type_name(type);
}

} // namespace runner
