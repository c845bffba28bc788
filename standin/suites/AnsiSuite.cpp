// "PF ANSI Suite" 1 and the input record's utility callbacks, which share
// its layout: the C library's string and math functions, recorded.
#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "CallGuard.h"
#include "PF_Suites.h"

namespace standin {
namespace {

// The bytes from `dst` to the end of the output record's return_msg when
// `dst` points into it; 0 elsewhere, where the host cannot tell the size.
std::size_t message_room(const A_char* dst)
{
    const auto* msg = Host::current().out_data().return_msg;
    const auto at = reinterpret_cast<std::uintptr_t>(dst), begin = reinterpret_cast<std::uintptr_t>(msg);
    return at >= begin && at < begin + sizeof(PF_OutData::return_msg) ? begin + sizeof(PF_OutData::return_msg) - at
                                                                         : 0;
}

// A message longer than return_msg's room is cut to fit, never written over
// the fields after it.
void note_overrun(const char* name, std::size_t length, std::size_t room)
{
    Host::current().ledger().misuse(std::string(name) + ": " + std::to_string(length) +
                                    " characters written into return_msg, which holds " +
                                    std::to_string(room - 1));
}

// Which: 0 the suite, 1 the input record's callbacks; only the names differ.
template <int Which>
int host_sprintf(A_char* dst, const A_char* format, ...)
{
    const char* name = Which ? "utils.ansi.sprintf" : "PF ANSI Suite v1.sprintf";
    int written = 0;
    va_list ap;
    va_start(ap, format);
    guarded(name, [&] { return std::string(format ? format : ""); }, [&](bool) {
        if (!dst || !format)
            throw std::invalid_argument("null destination or format");
        const std::size_t room = message_room(dst);
        if (!room) {
            written = std::vsprintf(dst, format, ap);
            return PF_Err_NONE;
        }
        written = std::vsnprintf(dst, room, format, ap);
        if (written >= 0 && std::size_t(written) >= room) {
            note_overrun(name, std::size_t(written), room);
            written = int(room - 1);
        }
        return PF_Err_NONE;
    });
    va_end(ap);
    return written;
}

template <int Which>
A_char* host_strcpy(A_char* dst, const A_char* src)
{
    const char* name = Which ? "utils.ansi.strcpy" : "PF ANSI Suite v1.strcpy";
    guarded(name, [&] { return std::string(src ? src : ""); }, [&](bool) {
        if (!dst || !src)
            throw std::invalid_argument("null destination or source");
        const std::size_t room = message_room(dst), length = std::strlen(src);
        if (room && length >= room) {
            note_overrun(name, length, room);
            std::memcpy(dst, src, room - 1);
            dst[room - 1] = '\0';
        } else {
            std::memcpy(dst, src, length + 1);
        }
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
