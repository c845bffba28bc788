// Arbitrary bytes as a --state file: the instance opens, rebuilt from the
// file or fresh; what it stores is a state block, and opening that block and
// storing again gives the same bytes. Nothing is left held.
#include <cstdint>
#include <vector>

#include "FuzzSupport.h"
#include "Host.h"
#include "StateFile.h"

namespace {

// Opens the file and stores the instance back into it; its block.
std::vector<uint8_t> open_and_store(standin::Host& host, const std::string& path)
{
    runner::StateFile state(path);
    fuzz_check(state.open(host) == PF_Err_NONE, "state file", "the instance did not open");
    fuzz_check(state.store(host), "state file", "the instance was not stored");
    fuzz_check(host.destroy_instance() == PF_Err_NONE, "state file", "setdown failed");
    return state.last_block();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    loaded_host();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static FuzzFile file;
    standin::Host& host = loaded_host();
    const std::string& path = file.write(data, size);
    const std::vector<uint8_t> stored = open_and_store(host, path);
    fuzz_check(runner::StateFile::invalid_reason(stored).empty(), "state file", "a stored block is not valid");
    file.write(stored.data(), stored.size());
    fuzz_check(open_and_store(host, path) == stored, "state file", "a stored block did not come back as it was");
    fuzz_check(host.held().empty(), "state file", "something is left behind");
    fuzz_check(host.ledger().first_misuse().empty(), "state file", "the host saw a misuse");
    host.ledger().clear();
    return 0;
}
