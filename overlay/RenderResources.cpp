#include "RenderResources.h"

namespace {
constexpr PF_UFixed kRate44100 = 44100u << 16;
}

PF_Err LayerAudioCheckout::check_out(PF_ParamIndex index, const AudioWindow& window)
{
    return in_data_->inter.checkout_layer_audio(
        in_data_->effect_ref, index, static_cast<A_long>(window.start),
        static_cast<A_long>(window.duration), in_data_->time_scale, kRate44100,
        /*bytes_per_sample*/ 1, /*num_channels*/ 1, /*fmt_signed*/ 0, &audio_);
}

PF_Err LayerAudioCheckout::get_samples(const uint8_t*& samples, A_long& count)
{
    PF_SndSamplePtr data = nullptr;
    PF_UFixed rate = 0;
    A_long bytes_per_sample = 0, channels = 0, fmt_signed = 0;
    count = 0;
    const PF_Err err = in_data_->inter.get_audio_data(in_data_->effect_ref, audio_, &data, &count,
                                                      &rate, &bytes_per_sample, &channels,
                                                      &fmt_signed);
    samples = static_cast<const uint8_t*>(data);
    return err;
}

PF_Err LayerAudioCheckout::check_in()
{
    if (!audio_)
        return PF_Err_NONE;
    const PF_LayerAudio audio = audio_;
    audio_ = nullptr;
    return in_data_->inter.checkin_layer_audio(in_data_->effect_ref, audio);
}

HostWorld::~HostWorld()
{
    if (created_)
        suite_->PF_DisposeWorld(effect_ref_, &world_);
}

PF_Err HostWorld::create(A_long width, A_long height, PF_PixelFormat format)
{
    const PF_Err err = suite_->PF_NewWorld(effect_ref_, width, height, /*clear_pix*/ 0, format, &world_);
    // A world handed out as success is ours to dispose of, pixels or not;
    // one without pixels is none to draw into.
    created_ = err == PF_Err_NONE;
    return !err && !world_.data ? PF_Err_OUT_OF_MEMORY : err;
}
