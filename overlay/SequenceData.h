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

// The size of the block that `handle` holds (it must hold one). The query
// has no error code: a host that cannot answer says 0, as for an empty
// block. A record or a flattened block is never empty, so a 0 is asked once
// more before it is believed; an empty block answers 0 again.
inline A_HandleSize BlockSize(const PF_HandleSuite1* handles, PF_Handle handle)
{
    const A_HandleSize size = handles->host_get_handle_size(handle);
    return size ? size : handles->host_get_handle_size(handle);
}

// The in-memory record in `block` of `size` bytes; null for anything else:
// no block, a flattened block, or a stored block damaged so that its first
// byte is 0. Only a block of a record's own size whose first byte is 0 is
// read as a record, so no stored bytes are ever taken for a name pointer.
inline SeqData* AsRecord(void* block, A_HandleSize size)
{
    auto* seq = static_cast<SeqData*>(block);
    return seq && size == sizeof(SeqData) && seq->flat == 0 ? seq : nullptr;
}

// The in-memory record that `handle` holds, read in place without a lock.
inline SeqData* InMemoryRecord(const PF_HandleSuite1* handles, PF_Handle handle)
{
    return *handle ? AsRecord(*handle, BlockSize(handles, handle)) : nullptr;
}
