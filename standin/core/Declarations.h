// What the effect declared at global setup, and what the host holds it to:
// no 16-bit worlds without deep colour, no audio without the audio flag, no
// get flattened without its flag, one registration with the plug-in services
// per global setup. A breach is recorded as a misuse and still carried out,
// so that the rest of the run shows what the effect does next. Before the
// first global setup nothing is declared and nothing is held against the
// caller: the host's services can be exercised on their own.
#pragma once

#include <optional>
#include <string>

#include "PF_Records.h"

namespace standin {

class Ledger;

class Declarations {
public:
    explicit Declarations(Ledger& ledger) : ledger_(ledger) {}

    // Around every command the host sends: global setup's answer is kept,
    // and a 16-bit render or a get flattened is checked against it.
    void before_command(PF_Cmd cmd, const PF_LayerDef* output);
    void after_command(PF_Cmd cmd, const PF_OutData& out);

    // A registration with the plug-in services; the second since the last
    // global setup began (or since the host started) is a misuse.
    void registered(const std::string& name);

    // Each records "<what> for an effect that did not declare <flag_name>"
    // when global setup declared flags without `flag`.
    void require(PF_OutFlags flag, const char* flag_name, const std::string& what);
    void require2(PF_OutFlags2 flag, const char* flag_name, const std::string& what);

private:
    Ledger& ledger_;
    std::optional<PF_OutFlags> flags_;
    PF_OutFlags2 flags2_ = 0;
    int registrations_ = 0;
};

} // namespace standin
