// Point parameters as the host stores them once the effect is applied to a
// layer: defaults given in percent of the layer become layer pixels.
#pragma once

#include <vector>

#include "PF_Records.h"

namespace standin {

// Sets every point parameter's x_value and y_value (16.16 layer pixels)
// from its x_dephault and y_dephault (16.16 percent of the layer's width
// and height): 50, 50 is the layer's centre.
void place_point_defaults(std::vector<PF_ParamDef>& params, A_long layer_width, A_long layer_height);

// x and y in layer pixels as a 16.16 value; false when out of its range.
bool to_fixed(double pixels, PF_Fixed& out);

} // namespace standin
