#include "PointDefaults.h"

#include <cmath>

namespace standin {

bool to_fixed(double pixels, PF_Fixed& out)
{
    const double fixed = std::round(pixels * 65536.0);
    if (!(fixed >= -2147483648.0 && fixed <= 2147483647.0))
        return false;
    out = PF_Fixed(fixed);
    return true;
}

void place_point_defaults(std::vector<PF_ParamDef>& params, A_long layer_width, A_long layer_height)
{
    for (PF_ParamDef& def : params) {
        if (def.param_type != PF_Param_POINT)
            continue;
        // Percent of a layer of at most 32768 pixels: always in range.
        to_fixed(def.u.td.x_dephault / 65536.0 / 100.0 * layer_width, def.u.td.x_value);
        to_fixed(def.u.td.y_dephault / 65536.0 / 100.0 * layer_height, def.u.td.y_value);
    }
}

} // namespace standin
