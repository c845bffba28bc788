// The host's basic suite: the one table through which every other suite is
// acquired and released by name and version.
#pragma once

#include <cstddef>
#include <cstdint>

typedef int32_t SPErr;

struct SPBasicSuite {
    // 0: the suite matching `name` byte for byte at `version`. On success the
    // host writes the suite's table into *suite and returns 0; the caller owns
    // one acquisition until it calls ReleaseSuite with the same name and version.
    SPErr (*AcquireSuite)(const char* name, int32_t version, const void** suite);
    // 1: gives back one acquisition.
    SPErr (*ReleaseSuite)(const char* name, int32_t version);
    // 2: nonzero when two suite names are equal.
    int (*IsEqual)(const char* token1, const char* token2);
    // 3-5: the host's general-purpose allocator (unused by the effect).
    SPErr (*AllocateBlock)(size_t size, void** block);
    SPErr (*FreeBlock)(void* block);
    SPErr (*ReallocateBlock)(void* block, size_t new_size, void** new_block);
    SPErr (*Undefined)(void);
};
