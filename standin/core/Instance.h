// One effect instance as the real host drives it: global setup once, then
// parameter setup and sequence setup at creation; get flattened when it
// saves; resetup from a stored block when it opens a project; setdown when
// the instance goes. The Host's lifecycle methods call these.
//
// Who owns which handle:
// - in_data.sequence_data, between commands, is the instance's handle; the
//   host holds it and hands it to every command. Its contents are the
//   effect's in-memory record after setup or resetup, and a flattened block
//   (the host's to store) after flatten.
// - out_data.sequence_data is cleared before each sequence command; a handle
//   the effect returns there becomes the instance's handle (setup, resetup,
//   flatten) or, from get flattened, a block that save() copies and disposes.
// - The stored block that reopen() hands to resetup is the host's: disposed
//   once resetup has returned, whatever its result.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "PF_Types.h"

namespace standin {

class Host;

class Instance {
public:
    explicit Instance(Host& host);

    PF_Err create();
    PF_Err save(std::vector<uint8_t>& block);
    PF_Err reopen(const std::vector<uint8_t>& block);
    PF_Err flatten();
    PF_Err destroy();

    // The handles and name buffers of the effect that nobody holds: not the
    // instance's handle, nor what its record points to. Empty when none.
    std::string unowned() const;

private:
    // Global setup (once), then parameter setup on a fresh parameter list.
    PF_Err set_up();
    // Sends a sequence command with out_data.sequence_data cleared and
    // returns what the effect handed back there.
    PF_Err send(PF_Cmd cmd, PF_Handle& handed);
    // Makes `handed` the instance's handle; the host checks it is unlocked.
    void adopt(PF_Handle handed);

    Host& host_;
    bool globally_set_up_ = false;
    std::uint64_t array_mark_ = 0;
};

} // namespace standin
