// LTC audio made with libltc's encoder, for tests that need a real signal.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct LtcRate {
    double fps;       // 24, 25, 30000/1001 (drop-frame) or 30
    double sample_rate;
};

// frame_start[i] is the first sample of LTC frame i; frame_start.back() the end.
struct LtcSignal {
    std::vector<uint8_t> samples; // 8-bit unsigned mono
    std::vector<std::size_t> frame_start;
    std::vector<std::string> text; // "HH:MM:SS:FF", ';' when drop-frame

    // The samples of frames [first, first + count); silence for frames before 0.
    std::vector<uint8_t> frames(long first, long count) const;
};

// `frames` consecutive LTC frames from h:m:s:f on. 29.97 fps is drop-frame.
LtcSignal make_ltc(LtcRate rate, int frames, int h, int m, int s, int f);
