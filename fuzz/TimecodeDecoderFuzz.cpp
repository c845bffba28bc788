// Arbitrary bytes as the 8-bit samples a host hands the effect, decoded at
// the time bases a layer can have: the text is always a possible timecode,
// "HH:MM:SS:FF" with ';' throughout for drop-frame, or the zeros it starts
// with ("00:00:00:00 ").
#include <cstdint>
#include <cstring>

#include "FuzzSupport.h"
#include "overlay/TimecodeDecoder.h"

namespace {

// Two digits at `at` for a number below `below`.
bool digits(const char* at, int below)
{
    return at[0] >= '0' && at[0] <= '9' && at[1] >= '0' && at[1] <= '9' && (at[0] - '0') * 10 + (at[1] - '0') < below;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const struct {
        A_u_long scale;
        A_long step;
    } bases[] = {{25, 1}, {30000, 1001}, {24, 1}, {60000, 1001}, {44100, 1}, {25, 0}};
    for (const auto& base : bases) {
        TimecodeText text;
        decode_ltc_text(data, A_long(size > 0x7FFFFFFF ? 0x7FFFFFFF : size), base.scale, base.step, text);
        const char* t = text.chars;
        const char sep = t[2];
        fuzz_check((sep == ':' || sep == ';') && t[5] == sep && t[8] == sep && (t[11] == ' ' || t[11] == '\0') &&
                       t[12] == '\0',
                   "timecode decoder", "a text of another form");
        fuzz_check(digits(t, 24) && digits(t + 3, 60) && digits(t + 6, 60) && digits(t + 9, 30), "timecode decoder",
                   "an impossible timecode");
    }
    return 0;
}
