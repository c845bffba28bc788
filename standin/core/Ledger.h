// The stand-in host's ordered record of every call the effect made into it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "PF_Types.h"

namespace standin {

struct Call {
    std::size_t seq;  // position in the ledger, from 0
    std::string name; // "Suite Name vN.operation" or "inter.operation"
    std::string args; // the arguments as text, for failure messages and tests
    PF_Err result;
};

class Ledger {
public:
    void record(std::string name, std::string args, PF_Err result);
    // A call the real host would reject (bad handle, double release...).
    // Only the first is kept: later ones are usually its consequences.
    void misuse(std::string what);

    const std::vector<Call>& calls() const { return calls_; }
    std::vector<Call> named(std::string_view name) const;
    std::size_t count(std::string_view name) const;
    // Names only, in order: handy for order assertions.
    std::vector<std::string> names() const;
    const std::string& first_misuse() const { return first_misuse_; }
    // Hands the first misuse over and forgets it, so that the next is kept.
    std::string take_misuse();
    void clear();

private:
    std::vector<Call> calls_;
    std::string first_misuse_;
};

} // namespace standin
