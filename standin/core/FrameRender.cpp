// Host::render_frame: one frame through PF_Cmd_RENDER.
#include "FrameRender.h"

#include "Host.h"
#include "World.h"

namespace standin {

PF_Err Host::render_frame(const FrameRequest& request, PF_LayerDef& output)
{
    if (!request.input || !request.input->data || !output.data)
        throw HostError("a render needs an input and an output world");
    if (request.input->width != output.width || request.input->height != output.height ||
        is_deep(*request.input) != is_deep(output))
        throw HostError("the input and output worlds differ in size or depth");
    in_data_.current_time = request.current_time;
    in_data_.time_step = request.time_step;
    in_data_.time_scale = request.time_scale;
    in_data_.downsample_x = request.downsample_x;
    in_data_.downsample_y = request.downsample_y;
    in_data_.pixel_aspect_ratio = request.pixel_aspect_ratio;
    in_data_.quality = request.quality;
    in_data_.width = output.width;
    in_data_.height = output.height;
    in_data_.extent_hint = {0, 0, output.width, output.height};
    output.extent_hint = {0, 0, output.width, output.height};
    params_.at(0).u.ld = *request.input;
    return command(PF_Cmd_RENDER, nullptr, &output);
}

} // namespace standin
