// The stand-in host's ordered record of every call the effect made into it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "PF_Types.h"

namespace standin {

struct Call {
    std::size_t seq;  // the call's number since the ledger was last cleared, from 0
    std::string name; // "Suite Name vN.operation" or "inter.operation"
    std::string args; // the arguments as text, for failure messages and tests
    PF_Err result;
};

class Ledger {
public:
    void record(std::string name, std::string args, PF_Err result);
    // record() in two steps, for a call whose record must not fail once it
    // ran: prepare() makes the record and the room for it (it may throw
    // std::bad_alloc), commit() files it with its result and never throws.
    Call prepare(std::string name, std::string args);
    void commit(Call call, PF_Err result) noexcept;
    // A call the real host would reject (bad handle, double release...).
    // Only the first is kept: later ones are usually its consequences.
    void misuse(std::string what);

    // Bounds the record for long runs: from now on only the latest calls are
    // kept, at least `calls` of them and never more than twice as many.
    // 0 (the default) keeps every call. The first misuse and recorded()
    // outlive the calls dropped.
    void keep_last(std::size_t calls);

    // The calls kept, oldest first.
    const std::vector<Call>& calls() const { return calls_; }
    std::vector<Call> named(std::string_view name) const;
    std::size_t count(std::string_view name) const;
    // Names only, in order: handy for order assertions.
    std::vector<std::string> names() const;
    // Every call since the last clear, dropped ones included.
    std::size_t recorded() const { return recorded_; }
    const std::string& first_misuse() const { return first_misuse_; }
    // Hands the first misuse over and forgets it, so that the next is kept.
    std::string take_misuse();
    // Forgets the calls, the misuse and the count; the bound stays.
    void clear();

private:
    std::vector<Call> calls_;
    std::size_t recorded_ = 0;
    std::size_t pending_ = 0; // prepared, not yet committed
    std::size_t keep_ = 0;
    std::string first_misuse_;
};

} // namespace standin
