// Host memory handles ("PF Handle Suite" 2). A handle's first word is its
// block's address, so *handle reads the block as the real host's does.
#pragma once

#include <set>

#include "PF_Types.h"

namespace standin {

class Handles {
public:
    ~Handles();

    // Host-side operations, not recorded: the host making or reading its
    // own handles (a stored project's block, say).
    PF_Handle create(A_HandleSize size);
    void destroy(PF_Handle handle);
    bool live(PF_Handle handle) const;
    A_HandleSize size(PF_Handle handle) const;
    int locks(PF_Handle handle) const;
    void* block(PF_Handle handle) const;
    // Throw std::logic_error on a handle that is not live, or an unlock
    // without a lock: the misuse that a real host would crash on. A lock
    // that gave no block counts as one for its unlock, which is no fault.
    void* lock(PF_Handle handle);
    void unlock(PF_Handle handle);
    // Notes a lock call that gave null (no block, or a fault the host made).
    void gave_no_block(PF_Handle handle) noexcept;
    // Frees the block and leaves the handle live without one (*handle is
    // null), as a host that purged it under memory pressure.
    void purge(PF_Handle handle);

    int live_count() const { return static_cast<int>(records_.size()); }
    int locked_count() const;

    static const void* suite_table();

private:
    struct Record {
        void* block; // first: *handle is the block
        A_HandleSize size;
        int locks;          // locks that gave the block
        int empty_locks = 0; // locks that gave null, not yet unlocked
    };
    Record* find(PF_Handle handle) const;
    std::set<Record*> records_;
};

} // namespace standin
