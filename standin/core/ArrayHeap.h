// The process's array allocator as the effect meets it. The effect keeps its
// font names in buffers from `new (std::nothrow) char[n]`; the stand-in host
// replaces the global array new and delete so that it can count those buffers
// and make one allocation fail, as a machine out of memory would. It
// replaces the other forms of new and delete too, so that the host itself
// can be run out of memory on one thread.
//
// Only programs that link the `standin_array_heap` object library have it
// (the tests); the declarations are weak, so the host can ask whether it is
// there: `if (array_heap::mark) ...`.
#pragma once

#include <cstddef>
#include <cstdint>

namespace standin::array_heap {

// The serial number of the latest nothrow array allocation.
[[gnu::weak]] std::uint64_t mark();
// Live nothrow arrays allocated after `since` by commands of the host `owner`
// whose address no pointer-sized word of [block, block + size) holds: the
// buffers that nobody owns.
[[gnu::weak]] std::size_t unowned_since(std::uint64_t since, const void* owner, const void* block,
                                        std::size_t size);
// All live nothrow arrays.
[[gnu::weak]] std::size_t live();
// The size asked for a live nothrow array; 0 for any other pointer.
[[gnu::weak]] std::size_t size_of(const void* array);
// The nth nothrow array allocation from now (from 1) returns null.
[[gnu::weak]] void fail(int nth);
[[gnu::weak]] void clear_faults();

// On this thread, the nth allocation from now (from 1) fails, and with
// from_on every later one too, as on a host out of memory: every form of
// new, and world pixels. 0 ends it. Returns how many failed since the
// previous call.
[[gnu::weak]] int fail_here(int nth, bool from_on);
// Counts one allocation of this thread; true when it is to fail.
[[gnu::weak]] bool refuse_here();

} // namespace standin::array_heap
