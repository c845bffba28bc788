#include "ScriptString.h"

#include <cstring>
#include <string_view>

namespace {

bool is_control(unsigned char c) { return c < 0x20 || c == 0x7F; }

// The length of the well-formed UTF-8 sequence at p, or 0 when the bytes there
// are not one (the script engine would refuse the whole script).
unsigned utf8_length(const unsigned char* p)
{
    const auto in = [](unsigned char c, unsigned char lo, unsigned char hi) { return c >= lo && c <= hi; };
    if (p[0] < 0x80)
        return 1;
    if (in(p[0], 0xC2, 0xDF))
        return in(p[1], 0x80, 0xBF) ? 2 : 0;
    if (in(p[0], 0xE0, 0xEF)) {
        const unsigned char lo = p[0] == 0xE0 ? 0xA0 : 0x80, hi = p[0] == 0xED ? 0x9F : 0xBF;
        return in(p[1], lo, hi) && in(p[2], 0x80, 0xBF) ? 3 : 0;
    }
    if (in(p[0], 0xF0, 0xF4)) {
        const unsigned char lo = p[0] == 0xF0 ? 0x90 : 0x80, hi = p[0] == 0xF4 ? 0x8F : 0xBF;
        return in(p[1], lo, hi) && in(p[2], 0x80, 0xBF) && in(p[3], 0x80, 0xBF) ? 4 : 0;
    }
    return 0;
}

// Hands `emit` the name's script form piece by piece.
template <typename Emit>
void escape(const char* name, Emit&& emit)
{
    static const char kHex[] = "0123456789ABCDEF";
    const auto emit_code = [&](unsigned code) {
        const char buf[6] = {'\\', 'u', kHex[(code >> 12) & 0xF], kHex[(code >> 8) & 0xF],
                             kHex[(code >> 4) & 0xF], kHex[code & 0xF]};
        emit(std::string_view(buf, 6));
    };
    for (auto* p = reinterpret_cast<const unsigned char*>(name); *p;) {
        const unsigned length = utf8_length(p);
        if (length == 0 || is_control(*p)) {
            // A byte that is not UTF-8 stands for the Latin-1 character of its value.
            emit_code(*p);
        } else if (length == 3 && p[0] == 0xE2 && p[1] == 0x80 && (p[2] == 0xA8 || p[2] == 0xA9)) {
            // U+2028 and U+2029 end a line inside a script string, as a line feed does.
            emit_code(p[2] == 0xA8 ? 0x2028 : 0x2029);
        } else if (*p == '"' || *p == '\\') {
            const char buf[2] = {'\\', static_cast<char>(*p)};
            emit(std::string_view(buf, 2));
        } else {
            emit(std::string_view(reinterpret_cast<const char*>(p), length));
        }
        p += length ? length : 1;
    }
}

} // namespace

std::size_t script_string_length(const char* name)
{
    std::size_t n = 0;
    escape(name, [&](std::string_view piece) { n += piece.size(); });
    return n;
}

char* write_script_string(char* out, const char* name)
{
    escape(name, [&](std::string_view piece) {
        std::memcpy(out, piece.data(), piece.size());
        out += piece.size();
    });
    return out;
}
