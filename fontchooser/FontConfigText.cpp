#include "FontConfigText.h"

// Fixed here rather than read from the machine, so that the families offered
// never depend on a fontconfig configuration file.
const char kFontConfigText[] =
    "<fontconfig> <dir>/usr/share/fonts</dir> <dir>/System/Library/Fonts</dir> "
    "<dir>/Library/Fonts</dir> <dir>~/Library/Fonts</dir> "
    "<cachedir>/usr/local/var/cache/fontconfig</cachedir> </fontconfig>";

static_assert(sizeof(kFontConfigText) - 1 == kFontConfigTextLength);
