#include "SuiteRegistry.h"

#include <cstring>

#include "CallGuard.h"

namespace standin {

SuiteRegistry::SuiteRegistry()
{
    basic_ = {};
    basic_.AcquireSuite = &acquire;
    basic_.ReleaseSuite = &release;
    basic_.IsEqual = [](const char* a, const char* b) { return int(std::strcmp(a, b) == 0); };
}

void SuiteRegistry::add(std::string name, int version, const void* table)
{
    tables_[{std::move(name), version}] = table;
}

std::string SuiteRegistry::acquire_key(const std::string& name, int version)
{
    return "AcquireSuite " + name + " v" + std::to_string(version);
}

int SuiteRegistry::held_count() const
{
    int n = 0;
    for (const auto& [key, count] : held_)
        n += count;
    return n;
}

std::string SuiteRegistry::call_after_release(std::string_view call) const
{
    const std::size_t dot = call.find('.');
    const std::size_t v = call.rfind(" v", dot);
    if (dot == std::string_view::npos || v == std::string_view::npos || v + 2 == dot || dot - v > 8)
        return "";
    int version = 0;
    for (const char c : call.substr(v + 2, dot - v - 2)) {
        if (c < '0' || c > '9')
            return "";
        version = version * 10 + (c - '0');
    }
    const std::pair<std::string, int> key{std::string(call.substr(0, v)), version};
    if (held_.count(key) || !released_.count(key))
        return "";
    return std::string(call) + " through \"" + key.first + "\" " + std::to_string(version) + " after its release";
}

SPErr SuiteRegistry::acquire(const char* name, int32_t version, const void** suite)
{
    const auto args = [&] { return "\"" + std::string(name ? name : "") + "\" " + std::to_string(version); };
    // A per-suite rule ("refuse PF World Suite v2") comes before the call's own.
    const auto rule = [&](Faults& faults) {
        std::optional<Fault> fault = faults.next(acquire_key(name ? name : "", version));
        return fault ? fault : faults.next("AcquireSuite");
    };
    return guarded_by("AcquireSuite", args, rule, [&](bool give_null) -> PF_Err {
        if (!suite)
            throw std::invalid_argument("no place for the suite pointer");
        SuiteRegistry& self = Host::current().suites();
        const std::pair<std::string, int> key{name ? name : "", version};
        auto it = self.tables_.find(key);
        if (it == self.tables_.end())
            return A_Err_MISSING_SUITE;
        *suite = give_null ? nullptr : it->second;
        if (!give_null)
            ++self.held_[key];
        return PF_Err_NONE;
    });
}

SPErr SuiteRegistry::release(const char* name, int32_t version)
{
    const auto args = [&] { return "\"" + std::string(name ? name : "") + "\" " + std::to_string(version); };
    return guarded("ReleaseSuite", args, [&](bool) -> PF_Err {
        SuiteRegistry& self = Host::current().suites();
        auto it = self.held_.find({name ? name : "", version});
        if (it == self.held_.end() || it->second == 0)
            throw std::logic_error(args() + " released but not held");
        // Noted first: what may fail comes before any change.
        if (it->second == 1)
            self.released_.insert(it->first);
        if (--it->second == 0)
            self.held_.erase(it);
        return PF_Err_NONE;
    });
}

} // namespace standin
