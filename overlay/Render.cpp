#include <cairo.h>

#include "AEFX_SuiteScoper.h"
#include "AEGP_SuiteHandler.h"
#include "Handlers.h"
#include "Marrowtick_Strings.h"
#include "Params.h"
#include "PixelCallbacks.h"
#include "RenderResources.h"
#include "SequenceData.h"
#include "SurfaceGeometry.h"
#include "TimecodeDecoder.h"

namespace {

// A host rational as a single-precision quotient: each field converted by its
// own signedness, whichever of the two is the dividend.
template <typename Dividend, typename Divisor>
float quotient(Dividend dividend, Divisor divisor)
{
    return static_cast<float>(dividend) / static_cast<float>(divisor);
}

// The family that the sequence data names, or the default family when the
// data is missing, flattened or holds no name. Read in place, without a lock.
const char* font_family(PF_Handle sequence_data)
{
    const auto* seq = sequence_data ? static_cast<const SeqData*>(*sequence_data) : nullptr;
    if (!seq || seq->flat != 0 || !seq->font_name || seq->font_name[0] == '\0')
        return GetStringPtr(StrID_Default_Font);
    return seq->font_name;
}

// Checks out the audio window, decodes it and checks it in again. Returns the
// first failing host code; the text stays as it is unless a frame decodes.
PF_Err read_timecode(PF_InData* in_data, PF_ParamDef* params[], TimecodeText& text)
{
    PF_Err err = PF_Err_NONE;
    const AudioWindow window =
        audio_window(in_data->current_time, in_data->time_step,
                     params[PARAM_SAMPLE_OFFSET]->u.sd.value, params[PARAM_SAMPLE_WIDTH]->u.sd.value);

    LayerAudioCheckout audio(in_data);
    if (window.fits())
        err = audio.check_out(PARAM_AUDIO_LAYER, window);
    const uint8_t* samples = nullptr;
    A_long count = 0;
    if (audio.held() && !err)
        err = audio.get_samples(samples, count);

    decode_ltc_text(audio.held() && !err ? samples : nullptr, count, in_data->time_scale,
                    in_data->time_step, text);

    const PF_Err check_in_err = audio.check_in();
    return err ? err : check_in_err;
}

// Draws the text into the surface, whose pixels keep the position unscaled
// while the glyphs follow the downsampling and the pixel aspect ratio.
PF_Err draw_text(PF_InData* in_data, PF_ParamDef* params[], const AEGP_SuiteHandler& suites,
                 A_FloatPoint position, const TimecodeText& text, CairoSurface& surface)
{
    const PF_RationalScale par = in_data->pixel_aspect_ratio;
    const PF_RationalScale dsx = in_data->downsample_x;
    const PF_RationalScale dsy = in_data->downsample_y;
    const float font_size = static_cast<float>(params[PARAM_FONT_SIZE]->u.fs_d.value);

    double x = position.x * static_cast<double>(quotient(par.num, par.den));
    x = x * static_cast<double>(quotient(dsx.den, dsx.num));
    const double y = position.y * static_cast<double>(quotient(dsy.den, dsy.num));

    // A surface that cairo could not make leaves the drawing below without effect.
    PF_Err err = surface.ok() ? PF_Err_NONE : PF_Err_OUT_OF_MEMORY;
    CairoContext cr(surface.get());
    const float sx = quotient(dsx.num, dsx.den) * quotient(par.den, par.num);
    const float sy = quotient(dsy.num, dsy.den);
    cairo_scale(cr.get(), sx, sy);

    PF_PixelFloat colour{};
    if (!err)
        err = suites.ColorParamSuite1()->PF_GetFloatingPointColorFromColorDef(
            in_data->effect_ref, params[PARAM_COLOR], &colour);
    cairo_set_source_rgba(cr.get(), colour.red, colour.green, colour.blue,
                          params[PARAM_OPACITY]->u.fs_d.value / 100.0);

    const bool bold = params[PARAM_FONT_WEIGHT]->u.pd.value == 1;
    cairo_select_font_face(cr.get(), font_family(in_data->sequence_data), CAIRO_FONT_SLANT_NORMAL,
                           bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr.get(), font_size);
    cairo_move_to(cr.get(), x, y);
    cairo_show_text(cr.get(), text.chars);
    // A context in error has stopped drawing: the frame would lack its timecode.
    if (!err && cairo_status(cr.get()) != CAIRO_STATUS_SUCCESS)
        err = PF_Err_OUT_OF_MEMORY;

    cr.destroy();
    cairo_surface_flush(surface.get());
    return err;
}

// Copies the input into the output, converts the surface into a temporary
// world of the output's depth and lays it over the output.
PF_Err composite(PF_InData* in_data, PF_ParamDef* params[], PF_LayerDef* output,
                 const AEGP_SuiteHandler& suites, const PF_WorldSuite2* world_suite,
                 cairo_surface_t* surface)
{
    PF_EffectWorld* input = &params[PARAM_INPUT]->u.ld;
    const A_long lines = static_cast<A_long>(int64_t{output->extent_hint.bottom} -
                                             output->extent_hint.top);
    PF_WorldTransformSuite1* transform = suites.WorldTransformSuite1();
    PF_Err err = in_data->quality == PF_Quality_HI
                     ? transform->copy_hq(in_data->effect_ref, input, output, nullptr, nullptr)
                     : transform->copy(in_data->effect_ref, input, output, nullptr, nullptr);

    const bool deep = (output->world_flags & PF_WorldFlag_DEEP) != 0;
    HostWorld text_world(world_suite, in_data->effect_ref);
    if (!err)
        err = text_world.create(output->width, output->height,
                                deep ? PF_PixelFormat_ARGB64 : PF_PixelFormat_ARGB32);
    if (!err)
        err = deep ? suites.Iterate16Suite1()->iterate(in_data, 0, lines, input, nullptr, surface,
                                                       MySimpleTextFunc16, text_world.get())
                   : suites.Iterate8Suite1()->iterate(in_data, 0, lines, input, nullptr, surface,
                                                      MySimpleTextFunc8, text_world.get());
    if (!err) {
        const PF_Rect whole{0, 0, output->width, output->height};
        const PF_CompositeMode in_front{PF_Xfer_IN_FRONT, 0, 255, 0, PF_MAX_CHAN16};
        err = transform->transfer_rect(in_data->effect_ref, in_data->quality,
                                       PF_MF_Alpha_STRAIGHT, PF_Field_FRAME, &whole,
                                       text_world.get(), &in_front, nullptr, 0, 0, output);
    }
    return err;
}

} // namespace

PF_Err Render(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
              PF_LayerDef* output)
{
    // A host that hands over fewer parameters than the effect added gets no render.
    if (in_data->num_params < PARAM_NUM_PARAMS)
        return PF_Err_BAD_CALLBACK_PARAM;

    // Released in reverse: world scoper, point scoper, then every suite of the handler.
    AEGP_SuiteHandler suites(in_data->pica_basicP);
    AEFX_SuiteScoper<PF_PointParamSuite1> point_suite(in_data, kPFPointParamSuite,
                                                      kPFPointParamSuiteVersion1, out_data);
    AEFX_SuiteScoper<PF_WorldSuite2> world_suite(in_data, kPFWorldSuite, kPFWorldSuiteVersion2,
                                                 out_data);

    A_FloatPoint position{};
    PF_Err err = point_suite->PF_GetFloatingPointValueFromPointDef(
        in_data->effect_ref, params[PARAM_POSITION], &position);

    TimecodeText text;
    if (!err)
        err = read_timecode(in_data, params, text);

    // Drawing and compositing write the output only when everything before them succeeded.
    if (!err) {
        CairoSurface surface(output->width, output->height);
        err = draw_text(in_data, params, suites, position, text, surface);
        if (!err) {
            const SurfacePublication published(surface.get());
            err = composite(in_data, params, output, suites, world_suite.operator->(),
                            surface.get());
        }
    }
    return err;
}
