#include "InstalledFonts.h"

#include "FontConfigText.h"

InstalledFonts::InstalledFonts()
{
    config_ = FcConfigCreate();
    if (!config_)
        return;
    // Building scans the configured folders, or reads their caches.
    if (!FcConfigParseAndLoadFromMemory(config_, reinterpret_cast<const FcChar8*>(kFontConfigText),
                                        FcFalse) ||
        !FcConfigBuildFonts(config_))
        return;
    pattern_ = FcPatternCreate(); // empty: matches every font
    objects_ = FcObjectSetBuild("family", "style", "lang", "file", static_cast<char*>(nullptr));
    if (pattern_ && objects_)
        set_ = FcFontList(config_, pattern_, objects_);
}

InstalledFonts::~InstalledFonts()
{
    if (set_)
        FcFontSetDestroy(set_);
    if (objects_)
        FcObjectSetDestroy(objects_);
    if (pattern_)
        FcPatternDestroy(pattern_);
    if (config_)
        FcConfigDestroy(config_);
}
