#include "Options.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <stdexcept>
#include <type_traits>

namespace runner {

namespace {

template <class T>
std::string shown(T v)
{
    if constexpr (std::is_integral_v<T>)
        return std::to_string(v);
    char text[32];
    std::snprintf(text, sizeof text, "%g", double(v));
    return text;
}

// `part` is the piece of `value` being read; messages show the whole value.
template <class T>
T number(const std::string& option, const std::string& value, const std::string& part, T lo, T hi, const char* kind)
{
    const std::string what = part == value ? "" : part + " is ";
    T v{};
    const char* end = part.data() + part.size();
    const auto [stop, err] = std::from_chars(part.data(), end, v);
    if (part.empty() || err == std::errc::invalid_argument || stop != end || !std::isfinite(double(v)))
        bad(option, value, what + "not " + kind);
    if (err == std::errc::result_out_of_range || v < lo || v > hi)
        bad(option, value, what + "out of range " + shown(lo) + " to " + shown(hi));
    return v;
}

} // namespace

void bad(const std::string& option, const std::string& value, const std::string& why)
{
    throw std::runtime_error(option + " " + value + ": " + why);
}

long long whole(const std::string& option, const std::string& value, const std::string& part, long long lo,
                long long hi)
{
    return number(option, value, part, lo, hi, "a whole number");
}

long long whole(const std::string& option, const std::string& value, long long lo, long long hi)
{
    return whole(option, value, value, lo, hi);
}

double real(const std::string& option, const std::string& value, const std::string& part, double lo, double hi)
{
    return number(option, value, part, lo, hi, "a number");
}

double real(const std::string& option, const std::string& value, double lo, double hi)
{
    return real(option, value, value, lo, hi);
}

PF_RationalScale rational(const std::string& option, const std::string& value)
{
    const std::size_t slash = value.find('/');
    const std::string n = value.substr(0, slash);
    const std::string d = slash == std::string::npos ? "1" : value.substr(slash + 1);
    return {A_long(whole(option, value, n, 1, 1000000)), A_u_long(whole(option, value, d, 1, 1000000))};
}

PF_RationalScale frame_rate(const std::string& option, const std::string& value)
{
    static const std::pair<const char*, PF_RationalScale> kNamed[] = {
        {"23.976", {24000, 1001}}, {"24", {24, 1}}, {"25", {25, 1}},          {"29.97", {30000, 1001}},
        {"30", {30, 1}},           {"50", {50, 1}}, {"59.94", {60000, 1001}}, {"60", {60, 1}}};
    for (const auto& [name, rate] : kNamed)
        if (value == name)
            return rate;
    if (value.find('/') == std::string::npos)
        bad(option, value, "use 23.976, 24, 25, 29.97, 30, 50, 59.94, 60 or N/D");
    const PF_RationalScale r = rational(option, value);
    if (double(r.num) / r.den < 1 || double(r.num) / r.den > 60)
        bad(option, value, "out of range 1 to 60 frames a second");
    return r;
}

standin::Timecode timecode(const std::string& option, const std::string& value)
{
    standin::Timecode tc;
    if (!standin::parse_timecode(value, tc))
        bad(option, value, "not HH:MM:SS:FF");
    return tc;
}

} // namespace runner
