#include "RenderOptions.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace runner {

const char kRenderUsage[] =
    "usage: marrowtick render [OPTIONS]\n"
    "Renders frames through the effect and writes DIR/NNNNNN.png (frame index, 6 digits).\n"
    "  --audio FILE          the audio layer (WAV, AIFF, FLAC); default: LTC the host generates\n"
    "  --channel N           the audio channel, from 1; default: the mix of all\n"
    "  --ltc-start TC        first timecode of the generated LTC, HH:MM:SS:FF (default 00:00:00:00;\n"
    "                        drop-frame at 29.97 and 59.94)\n"
    "  --fps RATE            23.976, 24, 25, 29.97, 30, 50, 59.94, 60 or N/D (default 25)\n"
    "  --size WxH            the layer's size (default: the input picture's, else 1280x720)\n"
    "  --depth 8|16          bits a channel (default 8)\n"
    "  --start N             first frame index (default 0)\n"
    "  --frames N            number of frames (default 25)\n"
    "  --input PNG|PATTERN   the layer's picture, or a numbered sequence: one run of # or one\n"
    "                        %d or %0Nd is the frame number (in/####.png, in/%04d.png; %% is a\n"
    "                        literal % beside %0Nd); default: colour bars\n"
    "  --out DIR             where the frames go (default out/render)\n"
    "  --opacity P           text opacity, 0 to 100 (default 100)\n"
    "  --color RRGGBB        text colour (default FFFFFF)\n"
    "  --font FAMILY         press \"Choose Font...\" and pick FAMILY (see marrowtick fonts);\n"
    "                        'default' picks the default family\n"
    "  --font-size S         0 to 4000 (default 32)\n"
    "  --weight bold|regular (default bold)\n"
    "  --position X,Y        text baseline start in layer pixels (default: the layer's centre)\n"
    "  --sample-offset N     audio window offset in frames (default 0)\n"
    "  --sample-width N      audio window width in frames, 1 to 60 (default 4)\n"
    "  --downsample N/D      render resolution, e.g. 1/2 (default 1/1)\n"
    "  --pixel-aspect N/D    pixel aspect ratio (default 1/1)\n"
    "  --threads N           threads of the host's pixel iteration, and of PNG encoding;\n"
    "                        0 every core (default 0)\n"
    "  --state FILE          the instance's saved state (the chosen font), read and kept\n"
    "  --help                this text\n";

namespace {

[[noreturn]] void bad(const std::string& option, const std::string& value, const std::string& why)
{
    throw std::runtime_error(option + " " + value + ": " + why);
}

// `part` is the piece of `value` being read; messages show the whole value.
long long whole(const std::string& option, const std::string& value, const std::string& part, long long lo,
                long long hi)
{
    const std::string what = part == value ? "" : part + " is ";
    errno = 0;
    char* end = nullptr;
    const long long v = std::strtoll(part.c_str(), &end, 10);
    if (part.empty() || *end || errno)
        bad(option, value, what + "not a whole number");
    if (v < lo || v > hi)
        bad(option, value, what + "out of range " + std::to_string(lo) + " to " + std::to_string(hi));
    return v;
}

long long whole(const std::string& option, const std::string& value, long long lo, long long hi)
{
    return whole(option, value, value, lo, hi);
}

std::string shown(double v)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", v);
    return text;
}

double real(const std::string& option, const std::string& value, const std::string& part, double lo, double hi)
{
    const std::string what = part == value ? "" : part + " is ";
    char* end = nullptr;
    const double v = std::strtod(part.c_str(), &end);
    if (part.empty() || *end || !std::isfinite(v))
        bad(option, value, what + "not a number");
    if (v < lo || v > hi)
        bad(option, value, what + "out of range " + shown(lo) + " to " + shown(hi));
    return v;
}

// "N/D" (or "N", meaning N/1) with both parts positive.
PF_RationalScale rational(const std::string& option, const std::string& text)
{
    const std::size_t slash = text.find('/');
    const std::string n = text.substr(0, slash);
    const std::string d = slash == std::string::npos ? "1" : text.substr(slash + 1);
    return {A_long(whole(option, text, n, 1, 1000000)), A_u_long(whole(option, text, d, 1, 1000000))};
}

void fps(const std::string& text, RenderOptions& o)
{
    struct Named {
        const char* name;
        unsigned num, den;
    };
    static const Named kRates[] = {{"23.976", 24000, 1001}, {"24", 24, 1},   {"25", 25, 1},
                                   {"29.97", 30000, 1001},  {"30", 30, 1},   {"50", 50, 1},
                                   {"59.94", 60000, 1001},  {"60", 60, 1}};
    for (const Named& r : kRates)
        if (text == r.name) {
            o.fps_num = r.num;
            o.fps_den = r.den;
            return;
        }
    if (text.find('/') == std::string::npos)
        bad("--fps", text, "use 23.976, 24, 25, 29.97, 30, 50, 59.94, 60 or N/D");
    const PF_RationalScale r = rational("--fps", text);
    if (double(r.num) / r.den < 1 || double(r.num) / r.den > 60)
        bad("--fps", text, "out of range 1 to 60 frames a second");
    o.fps_num = unsigned(r.num);
    o.fps_den = r.den;
}

void size(const std::string& text, RenderOptions& o)
{
    const std::size_t x = text.find('x');
    if (x == std::string::npos)
        bad("--size", text, "not WxH");
    o.width = A_long(whole("--size", text, text.substr(0, x), 1, 16384));
    o.height = A_long(whole("--size", text, text.substr(x + 1), 1, 16384));
}

PF_Pixel color(const std::string& text)
{
    if (text.size() != 6 || text.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        bad("--color", text, "not RRGGBB in hexadecimal");
    const unsigned long v = std::strtoul(text.c_str(), nullptr, 16);
    return {255, A_u_char(v >> 16), A_u_char(v >> 8), A_u_char(v)};
}

A_FloatPoint position(const std::string& text)
{
    const std::size_t comma = text.find(',');
    if (comma == std::string::npos)
        bad("--position", text, "not X,Y");
    return {real("--position", text, text.substr(0, comma), -32000, 32000),
            real("--position", text, text.substr(comma + 1), -32000, 32000)};
}

} // namespace

RenderOptions parse_render_options(const std::vector<std::string>& args)
{
    RenderOptions o;
    bool ltc_start_given = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& option = args[i];
        if (option == "--help" || option == "-h") {
            o.help = true;
            continue;
        }
        if (option.rfind("--", 0) != 0)
            throw std::runtime_error("unexpected argument '" + option + "' (see render --help)");
        if (i + 1 >= args.size())
            throw std::runtime_error(option + " needs a value");
        const std::string& v = args[++i];
        if (option == "--audio")
            o.audio = v;
        else if (option == "--channel")
            o.channel = int(whole(option, v, 1, 64));
        else if (option == "--fps")
            fps(v, o);
        else if (option == "--size")
            size(v, o);
        else if (option == "--depth") {
            if (v != "8" && v != "16")
                bad(option, v, "8 or 16");
            o.deep = v == "16";
        }
        else if (option == "--start")
            o.start = long(whole(option, v, 0, 10000000));
        else if (option == "--frames")
            o.frames = long(whole(option, v, 1, 1000000));
        else if (option == "--input")
            o.input = v;
        else if (option == "--out")
            o.out = v;
        else if (option == "--opacity")
            o.opacity = real(option, v, v, 0, 100);
        else if (option == "--color")
            o.color = color(v);
        else if (option == "--font")
            o.font = v;
        else if (option == "--font-size")
            o.font_size = real(option, v, v, 0, 4000);
        else if (option == "--weight") {
            if (v != "bold" && v != "regular")
                bad(option, v, "bold or regular");
            o.weight = v == "bold" ? 1 : 2;
        }
        else if (option == "--position")
            o.position = position(v);
        else if (option == "--sample-offset")
            o.sample_offset = A_long(whole(option, v, -1000000000, 1000000000));
        else if (option == "--sample-width")
            o.sample_width = A_long(whole(option, v, 1, 60));
        else if (option == "--downsample") {
            o.downsample = rational(option, v);
            if (A_u_long(o.downsample.num) > o.downsample.den)
                bad(option, v, "must not enlarge (N <= D)");
        } else if (option == "--pixel-aspect")
            o.pixel_aspect = rational(option, v);
        else if (option == "--threads")
            o.threads = int(whole(option, v, 0, 256));
        else if (option == "--ltc-start") {
            if (!standin::parse_timecode(v, o.ltc_start))
                bad(option, v, "not HH:MM:SS:FF");
            ltc_start_given = true;
        } else
            throw std::runtime_error("unknown option " + option + " (see render --help)");
    }
    if (ltc_start_given && !o.audio.empty())
        throw std::runtime_error("--ltc-start sets the generated LTC: it cannot go with --audio");
    if ((long long)(o.start + o.frames) * o.fps_den > 0x7FFFFFFFLL)
        throw std::runtime_error("--start and --frames reach past the host's time range");
    return o;
}

} // namespace runner
