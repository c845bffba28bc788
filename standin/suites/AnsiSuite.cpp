// "PF ANSI Suite" 1 and the input record's utility callbacks, which share
// its layout: the C library's string and math functions, recorded.
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "CallGuard.h"
#include "PF_Suites.h"

namespace standin {
namespace {

// Which: 0 the suite, 1 the input record's callbacks; only the names differ.
template <int Which>
int host_sprintf(A_char* dst, const A_char* format, ...)
{
    int written = 0;
    va_list ap;
    va_start(ap, format);
    guarded(Which ? "utils.ansi.sprintf" : "PF ANSI Suite v1.sprintf", format ? format : "",
            [&](bool) {
                if (!dst || !format)
                    throw std::invalid_argument("null destination or format");
                written = std::vsprintf(dst, format, ap);
                return PF_Err_NONE;
            });
    va_end(ap);
    return written;
}

template <int Which>
A_char* host_strcpy(A_char* dst, const A_char* src)
{
    guarded(Which ? "utils.ansi.strcpy" : "PF ANSI Suite v1.strcpy", src ? src : "", [&](bool) {
        if (!dst || !src)
            throw std::invalid_argument("null destination or source");
        std::strcpy(dst, src);
        return PF_Err_NONE;
    });
    return dst;
}

template <int Which>
constexpr PF_ANSICallbacks make_table()
{
    return {[](double x) { return std::atan(x); },
            [](double y, double x) { return std::atan2(y, x); },
            [](double x) { return std::ceil(x); },
            [](double x) { return std::cos(x); },
            [](double x) { return std::exp(x); },
            [](double x) { return std::fabs(x); },
            [](double x) { return std::floor(x); },
            [](double x, double y) { return std::fmod(x, y); },
            [](double x, double y) { return std::hypot(x, y); },
            [](double x) { return std::log(x); },
            [](double x) { return std::log10(x); },
            [](double x, double y) { return std::pow(x, y); },
            [](double x) { return std::sin(x); },
            [](double x) { return std::sqrt(x); },
            [](double x) { return std::tan(x); },
            host_sprintf<Which>,
            host_strcpy<Which>,
            [](double x) { return std::asin(x); },
            [](double x) { return std::acos(x); }};
}

const PF_ANSICallbacks kAnsiSuite = make_table<0>();
const PF_ANSICallbacks kUtilAnsi = make_table<1>();

} // namespace

const void* ansi_suite_table() { return &kAnsiSuite; }
const PF_ANSICallbacks& util_ansi_callbacks() { return kUtilAnsi; }

} // namespace standin
