#include "FramePattern.h"

#include <algorithm>
#include <cstring>
#include <cstddef>
#include <vector>

#include "Module.h"

namespace standin {

namespace {

// Wider than any frame index the host can reach, so a typo shows.
constexpr int kMaxWidth = 18;

// A frame number, or a '%' sequence that is not one, in the name.
struct Field {
    std::size_t at = 0, length = 0;
    bool is_number = false;
    int width = 0;
};

// From the '%' at `at`: "%%", "%d", "%0Nd", or something else up to the
// first letter.
Field percent_field(const std::string& name, std::size_t at)
{
    Field f{at, 1};
    std::size_t end = at + 1;
    while (end < name.size() && name[end] >= '0' && name[end] <= '9')
        ++end;
    const std::string digits = name.substr(at + 1, end - at - 1);
    if (end < name.size() && name[end] == 'd') {
        f.length = end + 1 - at;
        f.is_number = true;
        if (digits.empty())
            f.width = 0;
        else if (digits.size() >= 2 && digits[0] == '0' && digits[1] != '0')
            f.width = digits.size() > 4 ? kMaxWidth + 1 : std::stoi(digits.substr(1));
        else
            f.width = -1; // space-padded, or a lone 0 flag
        return f;
    }
    // Through what printf would take as the conversion, for the message; a
    // '#' after it is a frame number of its own.
    while (end < name.size() && name[end] != '\0' && std::strchr("0123456789.-+ ", name[end]))
        ++end;
    if (end < name.size() && name[end] != '#' && name[end] != '%')
        ++end;
    f.length = end - at;
    return f;
}

[[noreturn]] void bad(const std::string& name, const std::string& why)
{
    throw HostError("bad numbered pattern '" + name + "': " + why);
}

} // namespace

FramePattern::FramePattern(const std::string& name) : before_(name)
{
    std::vector<Field> numbers, others;
    std::size_t escapes = 0;
    for (std::size_t i = 0; i < name.size();) {
        if (name[i] == '#') {
            const std::size_t end = std::min(name.find_first_not_of('#', i), name.size());
            const Field f{i, end - i, true, int(end - i)};
            numbers.push_back(f);
            i += f.length;
        } else if (name[i] == '%' && i + 1 < name.size() && name[i + 1] == '%') {
            ++escapes;
            i += 2;
        } else if (name[i] == '%') {
            const Field f = percent_field(name, i);
            (f.is_number ? numbers : others).push_back(f);
            i += f.length;
        } else {
            ++i;
        }
    }
    if (numbers.empty())
        return;
    if (numbers.size() > 1)
        bad(name, "it holds " + std::to_string(numbers.size()) +
                      " frame numbers; use one run of # or one %0Nd (%% for a literal %)");
    const Field number = numbers[0];
    if (number.width < 0)
        bad(name, "'" + name.substr(number.at, number.length) + "' is not %d or %0Nd");
    if (number.width > kMaxWidth)
        bad(name, "a frame number wider than " + std::to_string(kMaxWidth) + " digits");
    const bool printf_style = name[number.at] == '%';
    if (printf_style && !others.empty())
        bad(name, "'" + name.substr(others[0].at, others[0].length) +
                      "' is not a frame number; use %0Nd for the number and %% for a literal %");
    auto literal = [&](std::string text) {
        if (!printf_style || escapes == 0)
            return text;
        std::string out;
        for (std::size_t i = 0; i < text.size(); ++i) {
            out += text[i];
            if (text[i] == '%' && i + 1 < text.size() && text[i + 1] == '%')
                ++i;
        }
        return out;
    };
    before_ = literal(name.substr(0, number.at));
    after_ = literal(name.substr(number.at + number.length));
    width_ = number.width;
    numbered_ = true;
}

std::string FramePattern::path(long index) const
{
    if (!numbered_)
        return before_;
    const std::string digits = std::to_string(index);
    const std::size_t pad = digits.size() < std::size_t(width_) ? std::size_t(width_) - digits.size() : 0;
    return before_ + std::string(pad, '0') + digits + after_;
}

} // namespace standin
