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
    const std::string key = name ? name : "";
    const std::string args = "\"" + key + "\" " + std::to_string(version);
    if (refused_in_pixel_callback("AcquireSuite"))
        return PF_Err_INTERNAL_STRUCT_DAMAGED;
    SuiteRegistry& self = Host::current().suites();
    // A per-suite rule ("refuse PF World Suite v2") is checked first.
    if (auto fault = Host::current().faults().next(acquire_key(key, version))) {
        if (!fault->null_result) {
            Host::current().ledger().record("AcquireSuite", args, fault->code);
            return fault->code;
        }
        *suite = nullptr;
        Host::current().ledger().record("AcquireSuite", args, PF_Err_NONE);
        return PF_Err_NONE;
    }
    return guarded("AcquireSuite", args, [&](bool give_null) -> PF_Err {
        if (!suite)
            throw std::invalid_argument("no place for the suite pointer");
        auto it = self.tables_.find({key, version});
        if (it == self.tables_.end())
            return A_Err_MISSING_SUITE;
        *suite = give_null ? nullptr : it->second;
        if (!give_null)
            ++self.held_[{key, version}];
        return PF_Err_NONE;
    });
}

SPErr SuiteRegistry::release(const char* name, int32_t version)
{
    const std::string key = name ? name : "";
    if (refused_in_pixel_callback("ReleaseSuite"))
        return PF_Err_INTERNAL_STRUCT_DAMAGED;
    SuiteRegistry& self = Host::current().suites();
    return guarded("ReleaseSuite", "\"" + key + "\" " + std::to_string(version), [&](bool) -> PF_Err {
        auto it = self.held_.find({key, version});
        if (it == self.held_.end() || it->second == 0)
            throw std::logic_error("\"" + key + "\" " + std::to_string(version) + " released but not held");
        if (--it->second == 0) {
            self.released_.insert(it->first);
            self.held_.erase(it);
        }
        return PF_Err_NONE;
    });
}

} // namespace standin
