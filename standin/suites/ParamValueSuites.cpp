// "PF PointParamSuite" 1 and "PF ColorParamSuite" 1: parameter values as
// floating point, read from the definition the effect passes.
#include <stdexcept>
#include <string>

#include "CallGuard.h"
#include "PF_Suites.h"
#include "Suites.h"

namespace standin {
namespace {

void expect_type(const PF_ParamDef* def, PF_ParamType type, const char* what)
{
    if (!def)
        throw std::invalid_argument(std::string("null ") + what + " definition");
    if (def->param_type != type)
        throw std::invalid_argument(std::string("not a ") + what + " parameter (type " +
                                    std::to_string(def->param_type) + ")");
}

double ratio(PF_RationalScale r) { return r.den ? double(r.num) / double(r.den) : 0.0; }

// The stored point is in layer pixels; at reduced resolution the host hands
// it in the pixels of the downsampled world.
PF_Err point_value(PF_ProgPtr, PF_ParamDef* def, A_FloatPoint* value)
{
    return guarded("PF PointParamSuite v1.GetFloatingPointValueFromPointDef", def, [&](bool) {
        expect_type(def, PF_Param_POINT, "point");
        if (!value)
            throw std::invalid_argument("null point");
        const PF_InData& in = Host::current().in_data();
        value->x = def->u.td.x_value / 65536.0 * ratio(in.downsample_x);
        value->y = def->u.td.y_value / 65536.0 * ratio(in.downsample_y);
        return PF_Err_NONE;
    });
}

template <int Entry>
PF_Err color_value(PF_ProgPtr, PF_ParamDef* def, PF_PixelFloat* color)
{
    const char* name = Entry == 0 ? "PF ColorParamSuite v1.GetFloatingPointColorFromColorDef"
                                  : "PF ColorParamSuite v1.GetFloatingPointValueFromColorDef";
    return guarded(name, def, [&](bool) {
        expect_type(def, PF_Param_COLOR, "colour");
        if (!color)
            throw std::invalid_argument("null colour");
        const PF_Pixel& v = def->u.cd.value;
        *color = {v.alpha / 255.0f, v.red / 255.0f, v.green / 255.0f, v.blue / 255.0f};
        return PF_Err_NONE;
    });
}

const PF_PointParamSuite1 kPointSuite = {point_value};
const PF_ColorParamSuite1 kColorSuite = {color_value<0>, color_value<1>};

} // namespace

const void* point_param_suite_table() { return &kPointSuite; }
const void* color_param_suite_table() { return &kColorSuite; }

} // namespace standin
