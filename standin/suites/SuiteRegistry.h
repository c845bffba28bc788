// The suites the stand-in host offers, and the basic suite that hands them
// out by exact name and version, with a count of what is held.
#pragma once

#include <map>
#include <set>
#include <string>
#include <string_view>
#include <utility>

#include "SPBasicSuite.h"

namespace standin {

class SuiteRegistry {
public:
    SuiteRegistry();

    void add(std::string name, int version, const void* table);
    // The ledger name of an acquisition's fault rule for one suite.
    static std::string acquire_key(const std::string& name, int version);

    SPBasicSuite* basic_suite() { return &basic_; }
    // Acquisitions not yet released, by (name, version).
    const std::map<std::pair<std::string, int>, int>& held() const { return held_; }
    int held_count() const;
    // For a call named "Suite Name vN.operation" through a suite that the
    // effect held and has released since, without holding it again: the
    // misuse's text. Empty for any other call, callbacks of the input record
    // included.
    std::string call_after_release(std::string_view call) const;

private:
    static SPErr acquire(const char* name, int32_t version, const void** suite);
    static SPErr release(const char* name, int32_t version);

    SPBasicSuite basic_;
    std::map<std::pair<std::string, int>, const void*> tables_;
    std::map<std::pair<std::string, int>, int> held_;
    std::set<std::pair<std::string, int>> released_;
};

} // namespace standin
