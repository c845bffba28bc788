// The installed fonts as fontconfig lists them for one dialog run.
#pragma once

#include <fontconfig/fontconfig.h>

// Owns the run's fontconfig objects. The configuration comes from the
// embedded configuration text; it is never made fontconfig's current one.
class InstalledFonts {
public:
    // Never throws. When the configuration cannot be made, parsed or built,
    // or the listing fails, set() is null: no fonts.
    InstalledFonts();
    // Destroys the font set, the object set, the pattern and the
    // configuration, in that order, each only if it was made.
    ~InstalledFonts();
    InstalledFonts(const InstalledFonts&) = delete;
    InstalledFonts& operator=(const InstalledFonts&) = delete;

    // One pattern per distinct family, style, language set and file; valid
    // for this object's life.
    const FcFontSet* set() const { return set_; }

private:
    FcConfig* config_ = nullptr;
    FcPattern* pattern_ = nullptr;
    FcObjectSet* objects_ = nullptr;
    FcFontSet* set_ = nullptr;
};
