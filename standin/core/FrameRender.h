// One frame's render request, as Host::render_frame sends it.
#pragma once

#include "PF_Records.h"

namespace standin {

struct FrameRequest {
    A_long current_time = 0; // in time_scale units: frame index * time_step
    A_long time_step = 1;
    A_u_long time_scale = 25;
    PF_RationalScale downsample_x{1, 1};
    PF_RationalScale downsample_y{1, 1};
    PF_RationalScale pixel_aspect_ratio{1, 1};
    PF_Quality quality = PF_Quality_HI;
    // The layer at the rendered resolution; the same size and depth as the
    // output. Must stay alive for the call.
    const PF_LayerDef* input = nullptr;
};

} // namespace standin
