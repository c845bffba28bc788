// Owners of what one render holds, so that every path through it (an early
// error, a thrown suite error) gives each back exactly once.
#pragma once

#include <cairo.h>

#include "PF_Suites.h"
#include "TimecodeDecoder.h"

// A checked-out window of layer audio; checked in at the latest by the destructor.
class LayerAudioCheckout {
public:
    explicit LayerAudioCheckout(PF_InData* in_data) : in_data_(in_data) {}
    ~LayerAudioCheckout() { check_in(); }
    LayerAudioCheckout(const LayerAudioCheckout&) = delete;
    LayerAudioCheckout& operator=(const LayerAudioCheckout&) = delete;

    // 8-bit unsigned mono at 44.1 kHz of the layer that parameter `index` names.
    PF_Err check_out(PF_ParamIndex index, const AudioWindow& window);
    bool held() const { return audio_ != nullptr; }
    // The samples stay the host's and are valid until check_in.
    PF_Err get_samples(const uint8_t*& samples, A_long& count);
    // Returns the host's code; a no-op with 0 when nothing is held.
    PF_Err check_in();

private:
    PF_InData* in_data_;
    PF_LayerAudio audio_ = nullptr;
};

// A cairo image surface, destroyed with its owner.
class CairoSurface {
public:
    CairoSurface(int width, int height)
        : surface_(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height))
    {
    }
    ~CairoSurface() { cairo_surface_destroy(surface_); }
    CairoSurface(const CairoSurface&) = delete;
    CairoSurface& operator=(const CairoSurface&) = delete;

    bool ok() const { return cairo_surface_status(surface_) == CAIRO_STATUS_SUCCESS; }
    cairo_surface_t* get() const { return surface_; }

private:
    cairo_surface_t* surface_;
};

// A drawing context on a surface; destroy() ends it early, the destructor otherwise.
class CairoContext {
public:
    explicit CairoContext(cairo_surface_t* surface) : cr_(cairo_create(surface)) {}
    ~CairoContext() { destroy(); }
    CairoContext(const CairoContext&) = delete;
    CairoContext& operator=(const CairoContext&) = delete;

    cairo_t* get() const { return cr_; }
    void destroy()
    {
        if (cr_)
            cairo_destroy(cr_);
        cr_ = nullptr;
    }

private:
    cairo_t* cr_;
};

// A temporary world made through the world suite and disposed through it.
class HostWorld {
public:
    HostWorld(const PF_WorldSuite2* suite, PF_ProgPtr effect_ref)
        : suite_(suite), effect_ref_(effect_ref)
    {
    }
    ~HostWorld();
    HostWorld(const HostWorld&) = delete;
    HostWorld& operator=(const HostWorld&) = delete;

    // The pixels are left as the host gives them (not cleared).
    PF_Err create(A_long width, A_long height, PF_PixelFormat format);
    PF_EffectWorld* get() { return &world_; }

private:
    const PF_WorldSuite2* suite_;
    PF_ProgPtr effect_ref_;
    PF_EffectWorld world_{};
    bool created_ = false;
};
