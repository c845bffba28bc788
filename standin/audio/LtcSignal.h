// LTC that the host generates with libltc's encoder when a layer has no
// audio file: one LTC frame a video frame from time 0, counting up.
#pragma once

#include <memory>
#include <string>

#include "AudioClip.h"
#include "AudioSource.h"

namespace standin {

struct Timecode {
    int hours = 0, minutes = 0, seconds = 0, frames = 0;
    bool drop_frame = false; // written with ';' separators
};

struct LtcSpec {
    unsigned fps_num = 25, fps_den = 1; // video frame rate, e.g. 30000/1001
    Timecode start;                     // the timecode at time 0
    double sample_rate = 48000;
    long frames = 250; // length in video frames
    bool parity = true; // false: the biphase mark correction bit is never set
};

// The time base's LTC rate: video rates above 30 fps carry LTC at half the
// rate (50 -> 25, 59.94 -> 29.97, 60 -> 30), as timecode generators do,
// since an LTC frame number cannot exceed 39.
double ltc_rate(unsigned fps_num, unsigned fps_den);
// Drop-frame counting applies at 29.97 and 59.94 (30000/1001, 60000/1001).
bool is_drop_frame_rate(unsigned fps_num, unsigned fps_den);

// 8-bit LTC as the encoder makes it in one pass, widened to floats
// ((v - 128) / 128), mono. Throws HostError on a spec the encoder cannot
// take (zero rates, a timecode out of range for the rate, a drop-frame start
// that is skipped).
AudioClip generate_ltc(const LtcSpec& spec);
// The same samples, made as spans are read: it holds the span last read
// and an encoder, whatever the clip's length or where the reading starts.
// Throws as generate_ltc.
std::unique_ptr<AudioSource> ltc_source(const LtcSpec& spec);

// "HH:MM:SS:FF", or with ';' before FF (or everywhere) for drop-frame.
// Returns false when the text is not of that form.
bool parse_timecode(const std::string& text, Timecode& out);
std::string to_string(const Timecode& tc);

} // namespace standin
