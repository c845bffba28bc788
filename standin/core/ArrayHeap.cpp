// Replacements of the global new and delete. Every block comes from malloc,
// so any form of new pairs with any delete; only the nothrow array form (the
// effect's) is counted and can be made to fail for the whole process.
#include "ArrayHeap.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <unordered_map>
#include <utility>

#include "Host.h"

namespace standin::array_heap {
namespace {

struct Entry {
    std::size_t size;
    std::uint64_t serial;
    const void* owner; // the host whose command made it, or null
};

// Arrays come and go on every thread: one lock for all.
struct Census {
    std::mutex mutex;
    std::unordered_map<const void*, Entry> live;
    std::uint64_t serial = 0;
    int fail_countdown = 0; // 0: no failure planned
};

// This thread's planned failure: 0 none, 1 the next allocation.
thread_local int t_countdown = 0;
thread_local bool t_from_on = false;
thread_local int t_failed = 0;

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

std::uint64_t mark()
{
    const std::lock_guard lock(census().mutex);
    return census().serial;
}

std::size_t unowned_since(std::uint64_t since, const void* owner, const void* block, std::size_t size)
{
    const std::lock_guard lock(census().mutex);
    std::size_t n = 0;
    for (const auto& [array, entry] : census().live)
        n += entry.serial > since && entry.owner == owner && !referenced(array, block, size);
    return n;
}

std::size_t live()
{
    const std::lock_guard lock(census().mutex);
    return census().live.size();
}

std::size_t size_of(const void* array)
{
    const std::lock_guard lock(census().mutex);
    const auto it = census().live.find(array);
    return it == census().live.end() ? 0 : it->second.size;
}

void fail(int nth)
{
    const std::lock_guard lock(census().mutex);
    census().fail_countdown = nth;
}

void clear_faults() { fail(0); }

int fail_here(int nth, bool from_on)
{
    t_countdown = nth;
    t_from_on = from_on;
    return std::exchange(t_failed, 0);
}

bool refuse_here()
{
    if (t_countdown == 0)
        return false;
    if (t_countdown > 1) {
        --t_countdown;
        return false;
    }
    t_countdown = t_from_on ? 1 : 0;
    ++t_failed;
    return true;
}

} // namespace standin::array_heap

using standin::array_heap::census;
using standin::array_heap::refuse_here;

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    if (refuse_here())
        return nullptr;
    auto& c = census();
    const std::lock_guard lock(c.mutex);
    if (c.fail_countdown > 0 && --c.fail_countdown == 0)
        return nullptr;
    void* array = std::malloc(size ? size : 1);
    if (array)
        c.live[array] = {size, ++c.serial, standin::Host::sending()};
    return array;
}

void* operator new[](std::size_t size)
{
    if (void* array = refuse_here() ? nullptr : std::malloc(size ? size : 1))
        return array;
    throw std::bad_alloc();
}

void* operator new(std::size_t size)
{
    if (void* block = refuse_here() ? nullptr : std::malloc(size ? size : 1))
        return block;
    throw std::bad_alloc();
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    return refuse_here() ? nullptr : std::malloc(size ? size : 1);
}

void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }

void operator delete[](void* array) noexcept
{
    if (!array)
        return;
    {
        const std::lock_guard lock(census().mutex);
        census().live.erase(array);
    }
    std::free(array);
}

void operator delete[](void* array, std::size_t) noexcept { operator delete[](array); }
void operator delete[](void* array, const std::nothrow_t&) noexcept { operator delete[](array); }
