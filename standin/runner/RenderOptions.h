// The options of `marrowtick render`, parsed and checked.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "LtcSignal.h"
#include "PF_Records.h"

namespace runner {

struct RenderOptions {
    std::string audio;       // --audio FILE; empty: generated LTC
    int channel = 0;         // --channel N, 1-based; 0 the mix of all
    unsigned fps_num = 25;   // --fps: time scale
    unsigned fps_den = 1;    //        time step
    A_long width = 0;        // --size WxH of the layer; 0: the input's, else 1280x720
    A_long height = 0;
    bool deep = false;       // --depth 16
    long start = 0;          // --start N, first frame index
    long frames = 25;        // --frames N
    std::string input;       // --input PNG or pattern; empty: the test picture
    std::string out = "out/render"; // --out DIR
    std::optional<double> opacity;  // the effect's parameters, when given
    std::optional<PF_Pixel> color;
    std::optional<double> font_size;
    std::optional<std::string> font;      // --font FAMILY, chosen through the font dialog
    std::optional<A_long> weight;   // 1 bold, 2 regular
    std::optional<A_FloatPoint> position; // layer pixels
    std::optional<A_long> sample_offset;
    std::optional<A_long> sample_width;
    PF_RationalScale downsample{1, 1};    // --downsample N/D
    PF_RationalScale pixel_aspect{1, 1};  // --pixel-aspect N/D
    int threads = 0;                      // --threads N; 0 every core
    standin::Timecode ltc_start;          // --ltc-start HH:MM:SS:FF
    bool help = false;
};

// Parses the command's arguments (--state already taken out). Throws
// std::runtime_error with a one-line message on anything it cannot use.
RenderOptions parse_render_options(const std::vector<std::string>& args);

extern const char kRenderUsage[];

} // namespace runner
