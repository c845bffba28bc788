// The font chooser's one ordering of family names.
#pragma once

// a and b each point to a `const char*` name. Negative, zero or positive as
// strcasecmp orders the two names: ASCII letters compare without case.
// Used with qsort and bsearch.
int name_sort(const void* a, const void* b);
