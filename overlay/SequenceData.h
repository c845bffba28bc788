// The per-instance font data, in memory and as the host stores it.
#pragma once

#include "PF_Types.h"

// In memory: lives in a host handle of its own size.
struct SeqData {
    A_u_char flat;       // always 0 here
    char* font_name;     // owned, new[]/delete[]; never null while the host holds the record
    A_u_char use_default; // 1 while the default family is in use
};

// Flattened: 258 bytes, no padding, no byte order; what a project file holds.
struct FlatSeqData {
    A_u_char flat;          // always 1 here
    char font_name[256];    // at most 255 bytes, zero-filled; byte 255 of the field is 0
    A_u_char use_default;
};
static_assert(sizeof(FlatSeqData) == 258);
