// The audio window around a frame and the LTC decoding of its samples.
#pragma once

#include <cstdint>

#include "PF_Types.h"

// The stretch of layer audio decoded for one frame, in the time scale's units.
struct AudioWindow {
    int64_t start;
    int64_t duration;
    // False when start or duration lies outside 32 bits: then nothing is checked out.
    bool fits() const;
};

// t + (offset - width + 1) * step, lasting (width + 1) * step; no clamping.
AudioWindow audio_window(A_long current_time, A_long time_step, A_long offset_frames,
                         A_long width_frames);

// 44100 / (time_scale / time_step), both whole-number divisions; 0 when the
// time base gives no usable frame rate (step <= 0, fps 0, fps above 44100).
A_long ltc_samples_per_frame(A_u_long time_scale, A_long time_step);

// The timecode text drawn on a frame: 12 characters, a NUL, and a spare NUL.
struct TimecodeText {
    char chars[13] = "00:00:00:00 ";
};

// Decodes 8-bit unsigned mono 44.1 kHz samples with a fresh decoder and writes
// into text ("HH:MM:SS:FF", ';' for drop-frame) the last LTC frame that is a
// possible timecode, timed at a bit length that LTC under this time base can
// have, and was read whole: its first edge inside the window and, for a frame
// read while the decoder locked on, its bits confirmed by reading the window
// inverted (see docs/design.md). Quiet samples that lead the window (silence
// before LTC begins) are not decoded. text is left as it is when samples is
// null, count < 1, the time base is unusable or no frame passes.
void decode_ltc_text(const uint8_t* samples, A_long count, A_u_long time_scale,
                     A_long time_step, TimecodeText& text);
