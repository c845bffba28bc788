#include "Handles.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>

#include "CallGuard.h"
#include "PF_Suites.h"

namespace standin {

Handles::~Handles()
{
    for (Record* r : records_) {
        std::free(r->block);
        delete r;
    }
}

PF_Handle Handles::create(A_HandleSize size)
{
    // Owned here until the record is kept: memory that runs out leaks nothing.
    std::unique_ptr<void, decltype(&std::free)> block(std::malloc(size ? size : 1), &std::free);
    if (!block)
        return nullptr;
    auto r = std::make_unique<Record>(Record{block.get(), size, 0, 0});
    records_.insert(r.get());
    block.release();
    // Fresh host memory is not zeroed: make reads of unset bytes visible.
    std::memset(r->block, 0xCD, size);
    return &r.release()->block;
}

Handles::Record* Handles::find(PF_Handle handle) const
{
    auto* r = reinterpret_cast<Record*>(handle);
    return records_.count(r) ? r : nullptr;
}

void Handles::destroy(PF_Handle handle)
{
    Record* r = find(handle);
    if (!r)
        throw std::logic_error("not a live handle: " + hex(handle));
    records_.erase(r);
    std::free(r->block);
    delete r;
}

bool Handles::live(PF_Handle handle) const { return find(handle) != nullptr; }

A_HandleSize Handles::size(PF_Handle handle) const
{
    Record* r = find(handle);
    return r ? r->size : 0;
}

int Handles::locks(PF_Handle handle) const
{
    Record* r = find(handle);
    return r ? r->locks : 0;
}

void* Handles::block(PF_Handle handle) const
{
    Record* r = find(handle);
    return r ? r->block : nullptr;
}

int Handles::locked_count() const
{
    int n = 0;
    for (const Record* r : records_)
        n += r->locks > 0;
    return n;
}

void* Handles::lock(PF_Handle handle)
{
    Record* r = find(handle);
    if (!r)
        throw std::logic_error("lock of a handle that is not live: " + hex(handle));
    if (r->block)
        ++r->locks;
    return r->block;
}

void Handles::unlock(PF_Handle handle)
{
    Record* r = find(handle);
    if (!r)
        throw std::logic_error("unlock of a handle that is not live: " + hex(handle));
    if (r->locks > 0)
        --r->locks;
    else if (r->empty_locks > 0)
        --r->empty_locks;
    else
        throw std::logic_error("unlock of a handle that is not locked: " + hex(handle));
}

void Handles::gave_no_block(PF_Handle handle) noexcept
{
    if (Record* r = find(handle))
        ++r->empty_locks;
}

void Handles::purge(PF_Handle handle)
{
    Record* r = find(handle);
    if (!r)
        throw std::logic_error("purge of a handle that is not live: " + hex(handle));
    std::free(r->block);
    r->block = nullptr;
    r->size = 0;
}

namespace {

Handles& handles() { return Host::current().handles(); }

PF_Handle new_handle(A_HandleSize size)
{
    return static_cast<PF_Handle>(guarded_ptr<void>("PF Handle Suite v2.new", [&] { return std::to_string(size); },
                                                    [&] { return handles().create(size); }));
}

void* lock_handle(PF_Handle handle)
{
    void* block = guarded_ptr<void>("PF Handle Suite v2.lock", handle, [&] { return handles().lock(handle); });
    // Noted after the guard, by steps that cannot throw.
    if (Host* host = Host::sending(); host && !block)
        host->handles().gave_no_block(handle);
    return block;
}

void unlock_handle(PF_Handle handle)
{
    guarded("PF Handle Suite v2.unlock", handle, [&](bool) {
        handles().unlock(handle);
        return PF_Err_NONE;
    });
}

void dispose_handle(PF_Handle handle)
{
    guarded("PF Handle Suite v2.dispose", handle, [&](bool) {
        // The effect unlocks what it locked before it lets a handle go.
        if (handles().locks(handle) > 0)
            Host::current().ledger().misuse("dispose of a locked handle: " + hex(handle));
        handles().destroy(handle);
        return PF_Err_NONE;
    });
}

A_HandleSize handle_size(PF_Handle handle)
{
    A_HandleSize size = 0;
    guarded("PF Handle Suite v2.size", handle, [&](bool) {
        if (!handles().live(handle))
            throw std::logic_error("size of a handle that is not live: " + hex(handle));
        size = handles().size(handle);
        return PF_Err_NONE;
    });
    return size;
}

PF_Err resize_handle(A_HandleSize, PF_Handle*)
{
    return guarded("PF Handle Suite v2.resize", [] { return std::string(); }, [](bool) -> PF_Err {
        throw std::logic_error("resize is not offered by the stand-in host");
    });
}

const PF_HandleSuite1 kHandleSuite = {new_handle, lock_handle,  unlock_handle,
                                      dispose_handle, handle_size, resize_handle};

} // namespace

const void* Handles::suite_table()
{
    return &kHandleSuite;
}

} // namespace standin
