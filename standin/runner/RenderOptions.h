// The options of `marrowtick render`: declared once, for parsing and --help.
#pragma once

#include <optional>
#include <string>

#include "LtcSignal.h"
#include "PF_Records.h"

namespace CLI {
class App;
}

namespace runner {

struct LayerSize {
    A_long width = 0, height = 0;
};

struct RenderOptions {
    std::string audio;       // --audio FILE; empty: generated LTC
    int channel = 0;         // --channel N, 1-based; 0 the mix of all
    PF_RationalScale fps{25, 1}; // --fps: the time scale (num) and step (den)
    LayerSize size;          // --size WxH of the layer; 0: the input's, else 1280x720
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
    std::optional<standin::Timecode> ltc_start; // --ltc-start HH:MM:SS:FF
    std::string state;                    // --state FILE
};

// Declares the options on the command; each value is checked as it is read
// (std::runtime_error with a one-line message).
void declare_render_options(CLI::App& command, RenderOptions& o);
// What no single option can check. Throws std::runtime_error.
void check_render_options(const RenderOptions& o);

} // namespace runner
