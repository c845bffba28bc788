// Replacements of the global array new and delete. Every array comes from
// malloc, so either form of new pairs with delete[]; only the nothrow form
// (the effect's) is counted and can be made to fail.
#include "ArrayHeap.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <unordered_map>

namespace standin::array_heap {
namespace {

struct Entry {
    std::size_t size;
    std::uint64_t serial;
};

struct Census {
    std::unordered_map<const void*, Entry> live;
    std::uint64_t serial = 0;
    int fail_countdown = 0; // 0: no failure planned
};

// Never destroyed: arrays may be released after static destruction began.
Census& census()
{
    static Census* c = new Census;
    return *c;
}

bool referenced(const void* array, const void* block, std::size_t size)
{
    const auto* bytes = static_cast<const unsigned char*>(block);
    for (std::size_t at = 0; block && at + sizeof(void*) <= size; at += alignof(void*)) {
        const void* word;
        std::memcpy(&word, bytes + at, sizeof word);
        if (word == array)
            return true;
    }
    return false;
}

} // namespace

std::uint64_t mark() { return census().serial; }

std::size_t unowned_since(std::uint64_t since, const void* block, std::size_t size)
{
    std::size_t n = 0;
    for (const auto& [array, entry] : census().live)
        n += entry.serial > since && !referenced(array, block, size);
    return n;
}

std::size_t live() { return census().live.size(); }

std::size_t size_of(const void* array)
{
    const auto it = census().live.find(array);
    return it == census().live.end() ? 0 : it->second.size;
}

void fail(int nth) { census().fail_countdown = nth; }
void clear_faults() { census().fail_countdown = 0; }

} // namespace standin::array_heap

using standin::array_heap::census;

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    auto& c = census();
    if (c.fail_countdown > 0 && --c.fail_countdown == 0)
        return nullptr;
    void* array = std::malloc(size ? size : 1);
    if (array)
        c.live[array] = {size, ++c.serial};
    return array;
}

void* operator new[](std::size_t size)
{
    if (void* array = std::malloc(size ? size : 1))
        return array;
    throw std::bad_alloc();
}

void operator delete[](void* array) noexcept
{
    if (!array)
        return;
    census().live.erase(array);
    std::free(array);
}

void operator delete[](void* array, std::size_t) noexcept { operator delete[](array); }
void operator delete[](void* array, const std::nothrow_t&) noexcept { operator delete[](array); }
