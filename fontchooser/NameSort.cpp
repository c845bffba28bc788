#include "NameSort.h"

#include <strings.h>

int name_sort(const void* a, const void* b)
{
    return strcasecmp(*static_cast<const char* const*>(a), *static_cast<const char* const*>(b));
}
