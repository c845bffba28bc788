#include "Instance.h"

#include <cstring>

#include "ArrayHeap.h"
#include "CallGuard.h"
#include "Host.h"

namespace standin {

Instance::Instance(Host& host) : host_(host)
{
    if (array_heap::mark)
        array_mark_ = array_heap::mark();
}

PF_Err Instance::set_up()
{
    if (!globally_set_up_) {
        if (const PF_Err err = host_.global_setup())
            return err;
        globally_set_up_ = true;
    }
    host_.params().resize(1); // the host's input layer only
    if (const PF_Err err = host_.command(PF_Cmd_PARAMS_SETUP))
        return err;
    if (host_.out_data().num_params != A_long(host_.params().size()))
        host_.ledger().misuse("params setup reported " + std::to_string(host_.out_data().num_params) +
                              " parameters, the host holds " + std::to_string(host_.params().size()));
    host_.in_data().num_params = A_long(host_.params().size());
    return PF_Err_NONE;
}

PF_Err Instance::send(PF_Cmd cmd, PF_Handle& handed)
{
    host_.out_data().sequence_data = nullptr;
    const PF_Err err = host_.command(cmd);
    handed = host_.out_data().sequence_data;
    host_.out_data().sequence_data = nullptr;
    if (handed && err)
        host_.ledger().misuse("a handle handed over with error " + std::to_string(err));
    if (handed && host_.handles().locks(handed))
        host_.ledger().misuse("a handle handed over locked: " + hex(handed));
    return err;
}

void Instance::adopt(PF_Handle handed)
{
    host_.in_data().sequence_data = handed;
}

PF_Err Instance::create()
{
    if (host_.in_data().sequence_data)
        destroy();
    if (const PF_Err err = set_up())
        return err;
    PF_Handle handed = nullptr;
    const PF_Err err = send(PF_Cmd_SEQUENCE_SETUP, handed);
    if (!err)
        adopt(handed);
    return err;
}

PF_Err Instance::save(std::vector<uint8_t>& block)
{
    block.clear();
    PF_Handle handed = nullptr;
    const PF_Err err = send(PF_Cmd_GET_FLATTENED_SEQUENCE_DATA, handed);
    Handles& handles = host_.handles();
    if (handed && handles.live(handed)) {
        if (!err) {
            const auto* bytes = static_cast<const uint8_t*>(handles.block(handed));
            block.assign(bytes, bytes + handles.size(handed));
        }
        handles.destroy(handed);
    }
    return err;
}

PF_Err Instance::reopen(const std::vector<uint8_t>& block)
{
    if (host_.in_data().sequence_data)
        destroy();
    if (const PF_Err err = set_up())
        return err;

    Handles& handles = host_.handles();
    const PF_Handle stored = handles.create(A_HandleSize(block.size()));
    if (!block.empty())
        std::memcpy(handles.block(stored), block.data(), block.size());
    host_.in_data().sequence_data = stored;
    PF_Handle handed = nullptr;
    const PF_Err err = send(PF_Cmd_SEQUENCE_RESETUP, handed);
    if (handles.live(stored))
        handles.destroy(stored);
    else
        host_.ledger().misuse("resetup disposed the host's stored block");
    adopt(err ? nullptr : handed);
    return err;
}

PF_Err Instance::flatten()
{
    PF_Handle handed = nullptr;
    const PF_Err err = send(PF_Cmd_SEQUENCE_FLATTEN, handed);
    // The record is gone once flatten succeeds; its block stands in for it.
    if (!err && handed)
        adopt(handed);
    return err;
}

PF_Err Instance::destroy()
{
    const PF_Handle own = host_.in_data().sequence_data;
    PF_Handle handed = nullptr;
    const PF_Err err = send(PF_Cmd_SEQUENCE_SETDOWN, handed);
    if (!err && own && host_.handles().live(own))
        host_.ledger().misuse("setdown left the sequence data handle live: " + hex(own));
    adopt(nullptr);
    return err;
}

std::string Instance::unowned() const
{
    const Handles& handles = host_.handles();
    const PF_Handle own = host_.in_data().sequence_data;
    const bool own_live = own && handles.live(own);
    std::string out;
    if (const int n = handles.live_count() - int(own_live))
        out += std::to_string(n) + " handle(s) that nobody holds; ";
    if (array_heap::unowned_since) {
        const void* block = own_live ? handles.block(own) : nullptr;
        const std::size_t size = own_live ? handles.size(own) : 0;
        if (const std::size_t n = array_heap::unowned_since(array_mark_, &host_, block, size))
            out += std::to_string(n) + " name buffer(s) that no record holds; ";
    }
    return out;
}

// The Host's lifecycle steps.
PF_Err Host::create_instance() { return instance_.create(); }
PF_Err Host::save(std::vector<uint8_t>& block) { return instance_.save(block); }
PF_Err Host::reopen(const std::vector<uint8_t>& block) { return instance_.reopen(block); }
PF_Err Host::flatten() { return instance_.flatten(); }
PF_Err Host::destroy_instance() { return instance_.destroy(); }

} // namespace standin
