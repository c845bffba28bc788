// The runner's project file: one effect instance's flattened sequence data
// (the 258-byte block the host stores), carried from one run to the next by
// `--state FILE`. Every command that creates an instance uses it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Host.h"

namespace runner {

class StateFile {
public:
    // FILE as given to --state; empty: the state is kept nowhere. Throws
    // std::runtime_error when FILE exists and is not a regular file. Through
    // a symbolic link, the link's target is read and written.
    explicit StateFile(std::string file);

    // Creates the host's instance: rebuilt from the stored block when FILE
    // holds one, fresh when FILE does not exist. A FILE that cannot be read or
    // holds no valid block gets a message on stderr, a fresh instance, and is
    // never written over. Returns the effect's result.
    PF_Err open(standin::Host& host);

    // Saves the instance (get flattened) and, with a FILE that may be
    // written, replaces FILE by the block atomically. False, after a message,
    // when the block could not be had or written.
    bool store(standin::Host& host);

    // Why store() could not write FILE (a file without write permission, or
    // a folder that takes no new file), as a one-line message; empty when it
    // could or when FILE is not to be written. For commands that store.
    std::string unwritable_reason() const;

    // The block of the last store(), empty before.
    const std::vector<uint8_t>& last_block() const { return block_; }

    // Why `block` is not a stored block; empty when it is one.
    static std::string invalid_reason(const std::vector<uint8_t>& block);

private:
    std::string name_; // as given, for messages
    std::string path_; // the file itself, past any link
    bool may_write_ = true;
    std::vector<uint8_t> block_;
};

} // namespace runner
