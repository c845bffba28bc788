#include "MemorySuite.h"

#include <cstring>
#include <stdexcept>

#include "AEGP_Suites.h"
#include "CallGuard.h"

namespace standin {
namespace {

// The handles share the PF handles' bookkeeping, in a store of their own.
Handles& store() { return Host::current().mem_handles(); }
PF_Handle as_pf(AEGP_MemHandle mem) { return reinterpret_cast<PF_Handle>(mem); }
AEGP_MemHandle as_mem(PF_Handle handle) { return reinterpret_cast<AEGP_MemHandle>(handle); }

constexpr A_long kMemFlagClear = 1; // the block starts zeroed

PF_Err new_mem(AEGP_PluginID, const A_char* what, A_HandleSize size, A_long flags,
               AEGP_MemHandle* mem)
{
    const auto args = [&] { return std::string(what ? what : "") + " " + std::to_string(size); };
    return guarded("AEGP Memory Suite v1.new", args,
                   [&](bool give_null) -> PF_Err {
                       if (!mem)
                           throw std::invalid_argument("no place for the handle");
                       *mem = nullptr;
                       if (give_null)
                           return PF_Err_NONE;
                       PF_Handle handle = store().create(size);
                       if (!handle)
                           return PF_Err_OUT_OF_MEMORY;
                       if (flags & kMemFlagClear)
                           std::memset(*handle, 0, size);
                       *mem = as_mem(handle);
                       return PF_Err_NONE;
                   });
}

PF_Err free_mem(AEGP_MemHandle mem)
{
    return guarded("AEGP Memory Suite v1.free", mem, [&](bool) {
        store().destroy(as_pf(mem));
        return PF_Err_NONE;
    });
}

PF_Err lock_mem(AEGP_MemHandle mem, void** ptr)
{
    return guarded("AEGP Memory Suite v1.lock", mem, [&](bool give_null) -> PF_Err {
        if (!ptr)
            throw std::invalid_argument("no place for the block's address");
        *ptr = give_null ? nullptr : store().lock(as_pf(mem));
        return PF_Err_NONE;
    });
}

PF_Err unlock_mem(AEGP_MemHandle mem)
{
    return guarded("AEGP Memory Suite v1.unlock", mem, [&](bool) {
        store().unlock(as_pf(mem));
        return PF_Err_NONE;
    });
}

PF_Err mem_size(AEGP_MemHandle mem, A_HandleSize* size)
{
    return guarded("AEGP Memory Suite v1.size", mem, [&](bool) {
        if (!size)
            throw std::invalid_argument("no place for the size");
        if (!store().live(as_pf(mem)))
            throw std::logic_error("size of a memory handle that is not live: " + hex(mem));
        *size = store().size(as_pf(mem));
        return PF_Err_NONE;
    });
}

const AEGP_MemorySuite1 kMemorySuite = {new_mem, free_mem, lock_mem, unlock_mem, mem_size};

} // namespace

const void* memory_suite_table() { return &kMemorySuite; }

AEGP_MemHandle new_mem_text(std::string_view text)
{
    PF_Handle handle = store().create(A_HandleSize(text.size() + 1));
    if (!handle)
        return nullptr;
    std::memcpy(*handle, text.data(), text.size());
    static_cast<char*>(*handle)[text.size()] = '\0';
    return as_mem(handle);
}

} // namespace standin
