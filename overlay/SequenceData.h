// The per-instance font data, in memory and as the host stores it.
#pragma once

#include "PF_Suites.h"

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

// The in-memory record that `handle` holds, read in place without a lock; null
// when it holds anything else: no block, a flattened block, or a stored block
// damaged so that its first byte is 0. Only a block of a record's own size
// whose first byte is 0 is read as a record, so no stored bytes are ever
// taken for a name pointer.
inline SeqData* InMemoryRecord(const PF_HandleSuite1* handles, PF_Handle handle)
{
    auto* seq = static_cast<SeqData*>(*handle);
    if (!seq || handles->host_get_handle_size(handle) != sizeof(SeqData) || seq->flat != 0)
        return nullptr;
    return seq;
}
