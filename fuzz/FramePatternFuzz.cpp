// Arbitrary bytes as an --input name: refused with a one-line HostError, or
// a pattern whose path for any frame keeps the name's text around the
// number, shows the number, and names another file for another frame.
#include <climits>
#include <cstdint>
#include <string>

#include "FramePattern.h"
#include "FuzzSupport.h"
#include "Module.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string name(reinterpret_cast<const char*>(data), size);
    try {
        const standin::FramePattern pattern(name);
        const std::string first = pattern.path(0), later = pattern.path(1234567), last = pattern.path(LONG_MAX);
        if (!pattern.numbered()) {
            fuzz_check(first == name && last == name, "frame pattern", "a name without a number changed");
            return 0;
        }
        fuzz_check(first != later && later != last, "frame pattern", "two frames share a file");
        fuzz_check(later.find("1234567") != std::string::npos, "frame pattern", "a frame's number is missing");
        fuzz_check(last.size() <= name.size() + 19, "frame pattern", "a path is longer than its number needs");
    } catch (const standin::HostError& e) {
        fuzz_check(std::string(e.what()).find('\n') == std::string::npos || name.find('\n') != std::string::npos,
                   "frame pattern", "a refusal of more than one line");
    }
    return 0;
}
