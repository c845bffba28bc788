#include "LibraryCaches.h"

#include <cairo.h>
#include <fontconfig/fontconfig.h>

namespace runner {

void release_library_caches()
{
    cairo_debug_reset_static_data();
    FcFini();
}

} // namespace runner
