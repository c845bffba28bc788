#include "RenderOptions.h"

#include <stdexcept>

#include "Options.h"

namespace runner {

namespace {

LayerSize size(const std::string& option, const std::string& value)
{
    const std::size_t x = value.find('x');
    if (x == std::string::npos)
        bad(option, value, "not WxH");
    return {A_long(whole(option, value, value.substr(0, x), 1, 16384)),
            A_long(whole(option, value, value.substr(x + 1), 1, 16384))};
}

PF_Pixel color(const std::string& option, const std::string& value)
{
    if (value.size() != 6 || value.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        bad(option, value, "not RRGGBB in hexadecimal");
    const unsigned long v = std::stoul(value, nullptr, 16);
    return {255, A_u_char(v >> 16), A_u_char(v >> 8), A_u_char(v)};
}

A_FloatPoint position(const std::string& option, const std::string& value)
{
    const std::size_t comma = value.find(',');
    if (comma == std::string::npos)
        bad(option, value, "not X,Y");
    return {real(option, value, value.substr(0, comma), -32000, 32000),
            real(option, value, value.substr(comma + 1), -32000, 32000)};
}

// One of two words: the first gives `first`, the second `second`.
auto either(const char* a, const char* b, auto first, auto second)
{
    return [=](const std::string& option, const std::string& value) {
        if (value != a && value != b)
            bad(option, value, std::string(a) + " or " + b);
        return value == a ? first : second;
    };
}

auto text() { return [](const std::string&, const std::string& value) { return value; }; }

} // namespace

void declare_render_options(CLI::App& c, RenderOptions& o)
{
    c.footer("Frames are written as DIR/NNNNNN.png, the frame index in six digits. A numbered --input has\n"
             "one run of # or one %d or %0Nd for the frame index (in/####.png, in/%04d.png); beside %d,\n"
             "%% is a literal %.");
    add_value(c, "--audio", "FILE", "the audio layer: WAV, AIFF or FLAC (default: generated LTC)", o.audio,
              text());
    add_value(c, "--channel", "N", "the audio channel the effect gets, 1 to 64 (default: the mix of all)", o.channel,
              whole_in(1, 64));
    add_value(c, "--ltc-start", "HH:MM:SS:FF",
              "the generated LTC's timecode at time 0; drop-frame at 29.97\nand 59.94 (default 00:00:00:00)", o.ltc_start,
              timecode);
    add_value(c, "--fps", "RATE", "frames a second: 23.976, 24, 25, 29.97, 30, 50, 59.94, 60\nor N/D (default 25)", o.fps, frame_rate);
    add_value(c, "--size", "WxH", "the layer in pixels, 1 to 16384 a side (default: the\ninput's, else 1280x720)",
              o.size, size);
    add_value(c, "--depth", "8|16", "bits a channel (default 8)", o.deep, either("8", "16", false, true));
    add_value(c, "--start", "N", "first frame index, 0 to 10000000 (default 0)", o.start, whole_in(0, 10000000));
    add_value(c, "--frames", "N", "frame count, 1 to 1000000 (default 25)", o.frames, whole_in(1, 1000000));
    add_value(c, "--input", "PNG|PATTERN",
              "the layer's picture, or a numbered sequence (below)\n(default: colour bars)",
              o.input, text());
    add_value(c, "--out", "DIR", "the folder the frames go to (default out/render)", o.out, text());
    add_value(c, "--opacity", "P", "text opacity in percent, 0 to 100 (default 100)", o.opacity, real_in(0, 100));
    add_value(c, "--color", "RRGGBB", "text colour (default FFFFFF)", o.color, color);
    add_value(c, "--font", "FAMILY",
              "presses \"Choose Font...\" and picks FAMILY, as `marrowtick\nfonts` lists them ('default': the default family)",
              o.font, text());
    add_value(c, "--font-size", "S", "the text's em size in layer pixels, 0 to 4000 (default 32)", o.font_size,
              real_in(0, 4000));
    add_value(c, "--weight", "bold|regular", "(default bold)", o.weight, either("bold", "regular", 1, 2));
    add_value(c, "--position", "X,Y",
              "the start of the text's baseline in layer pixels,\n-32000 to 32000 (default: the layer's centre)",
              o.position, position);
    add_value(c, "--sample-offset", "N", "the audio window's offset in frames (default 0)", o.sample_offset,
              whole_in(-1000000000, 1000000000));
    add_value(c, "--sample-width", "N", "the audio window's width in frames, 1 to 60 (default 4)", o.sample_width,
              whole_in(1, 60));
    add_value(c, "--downsample", "N/D", "the host's render resolution, N <= D (default 1/1)", o.downsample,
              [](const std::string& option, const std::string& value) {
                  const PF_RationalScale r = rational(option, value);
                  if (A_u_long(r.num) > r.den)
                      bad(option, value, "must not enlarge (N <= D)");
                  return r;
              });
    add_value(c, "--pixel-aspect", "N/D", "the pixel aspect ratio (default 1/1)", o.pixel_aspect, rational);
    add_value(c, "--threads", "N",
              "threads of the host's pixel iteration and of PNG\nencoding, 0 to 256; 0 every core (default 0)",
              o.threads, whole_in(0, 256));
    c.add_option("--state", o.state, "the instance's saved state (the chosen font), read and\nstored back")
        ->type_name("FILE");
}

void check_render_options(const RenderOptions& o)
{
    if (o.ltc_start && !o.audio.empty())
        throw std::runtime_error("--ltc-start sets the generated LTC: it cannot go with --audio");
    if ((long long)(o.start + o.frames) * o.fps.den > 0x7FFFFFFFLL)
        throw std::runtime_error("--start and --frames reach past the host's time range");
}

} // namespace runner
