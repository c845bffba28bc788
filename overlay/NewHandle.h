// A host handle that a handler creates, fills while it is locked, and hands
// to the host only once it is complete. On every other path, an early return
// or a thrown suite error alike, it is unlocked and disposed.
#pragma once

#include <utility>

#include "PF_Suites.h"

class NewHandle {
public:
    // `suite` must outlive this owner (the handler's suite handler keeps it).
    NewHandle(PF_HandleSuite1* suite, A_HandleSize size)
        : suite_(suite), handle_(suite->host_new_handle(size))
    {
        if (handle_)
            block_ = suite_->host_lock_handle(handle_);
    }

    ~NewHandle()
    {
        if (!handle_)
            return;
        if (block_)
            suite_->host_unlock_handle(handle_);
        suite_->host_dispose_handle(handle_);
    }

    NewHandle(const NewHandle&) = delete;
    NewHandle& operator=(const NewHandle&) = delete;

    // The locked block; null when the handle could not be made or locked.
    void* block() const { return block_; }

    // Stores the complete block's handle in `destination` (the output
    // record's sequence_data), then unlocks it: from here on it is the host's.
    void HandOver(PF_Handle& destination)
    {
        destination = std::exchange(handle_, nullptr);
        block_ = nullptr;
        suite_->host_unlock_handle(destination);
    }

private:
    PF_HandleSuite1* suite_;
    PF_Handle handle_;
    void* block_ = nullptr;
};
