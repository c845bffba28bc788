// Arbitrary bytes as the block a project file stored: resetup, get flattened,
// flatten and setdown must return 0, leave nothing behind, misuse nothing,
// and save the block that the bytes describe. The same bytes handed straight
// to get flattened, flatten and setdown (a host that skips resetup) must be
// copied or dropped, never read as a record (an empty one, which cannot be
// measured, is not saved).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "FuzzSupport.h"
#include "Host.h"
#include "overlay/SequenceData.h"

namespace {

void Check(bool ok, const char* what) { fuzz_check(ok, "sequence block", what); }

// What a save must give after reopening `stored`: its name field up to the
// terminator or 255 bytes and its byte 257, or the default record's block
// when it is too short to be one.
std::vector<uint8_t> Described(const std::vector<uint8_t>& stored)
{
    std::vector<uint8_t> block(258, 0);
    block[0] = 1;
    if (stored.size() < block.size()) {
        std::memcpy(&block[1], "Arial", 5);
        block[257] = 1;
        return block;
    }
    const char* name = reinterpret_cast<const char*>(&stored[1]);
    std::memcpy(&block[1], name, strnlen(name, 255));
    block[257] = stored[257];
    return block;
}

} // namespace

// Loads the module before the first input, so that the fuzzer counts its
// coverage from the start.
extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    loaded_host();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    standin::Host& host = loaded_host();
    const std::vector<uint8_t> stored(data, data + size);
    Check(host.reopen(stored) == PF_Err_NONE, "resetup failed");
    std::vector<uint8_t> saved;
    Check(host.save(saved) == PF_Err_NONE, "get flattened failed");
    Check(saved == Described(stored), "the saved block is not the one the stored bytes describe");
    Check(host.flatten() == PF_Err_NONE, "flatten failed");
    Check(host.destroy_instance() == PF_Err_NONE, "setdown failed");
    Check(host.held().empty(), "something is left behind");

    // Only a block of a record's own size that starts with 0 is taken for the
    // effect's record: the form in which the host hands back nothing but those.
    const bool record_form = size == sizeof(SeqData) && data[0] == 0;
    for (const PF_Cmd cmd : {PF_Cmd_GET_FLATTENED_SEQUENCE_DATA, PF_Cmd_SEQUENCE_FLATTEN, PF_Cmd_SEQUENCE_SETDOWN}) {
        if (record_form)
            break;
        const PF_Handle raw = host.handles().create(A_HandleSize(size));
        std::memcpy(*raw, data, size);
        host.in_data().sequence_data = raw;
        host.out_data().sequence_data = nullptr;
        // An empty block cannot be measured: a save of it fails, and leaves it.
        const PF_Err want = size == 0 && cmd != PF_Cmd_SEQUENCE_SETDOWN ? PF_Err_INTERNAL_STRUCT_DAMAGED : PF_Err_NONE;
        Check(host.command(cmd) == want, "a command on a raw stored block did not answer as it should");
        if (cmd != PF_Cmd_SEQUENCE_SETDOWN && host.out_data().sequence_data) {
            const PF_Handle copy = host.out_data().sequence_data;
            Check(size == 0 || std::memcmp(*copy, data, size) == 0, "a raw block was not handed back as it is");
            host.handles().destroy(copy);
        }
        if (host.handles().live(raw))
            host.handles().destroy(raw);
    }
    host.in_data().sequence_data = nullptr;
    Check(host.handles().live_count() == 0, "a raw block's handle is left behind");
    Check(host.ledger().first_misuse().empty(), "the host saw a misuse");
    host.ledger().clear();
    return 0;
}
