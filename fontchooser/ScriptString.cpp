#include "ScriptString.h"

#include <cstring>
#include <string_view>

namespace {

bool is_control(unsigned char c) { return c < 0x20 || c == 0x7F; }

// U+2028 and U+2029 (E2 80 A8 / E2 80 A9 in UTF-8) end a line inside a
// script string, as a line feed does.
unsigned line_separator_at(const unsigned char* p)
{
    if (p[0] == 0xE2 && p[1] == 0x80 && (p[2] == 0xA8 || p[2] == 0xA9))
        return p[2] == 0xA8 ? 0x2028 : 0x2029;
    return 0;
}

// Hands `emit` the name's script form piece by piece.
template <typename Emit>
void escape(const char* name, Emit&& emit)
{
    static const char kHex[] = "0123456789ABCDEF";
    char buf[6] = {'\\', 'u'};
    for (auto* p = reinterpret_cast<const unsigned char*>(name); *p; ++p) {
        unsigned code = is_control(*p) ? *p : line_separator_at(p);
        if (code) {
            for (int i = 0; i < 4; ++i)
                buf[2 + i] = kHex[(code >> (12 - 4 * i)) & 0xF];
            emit(std::string_view(buf, 6));
            p += code > 0xFF ? 2 : 0;
        } else if (*p == '"' || *p == '\\') {
            buf[1] = static_cast<char>(*p);
            emit(std::string_view(buf, 2));
            buf[1] = 'u';
        } else {
            emit(std::string_view(reinterpret_cast<const char*>(p), 1));
        }
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
