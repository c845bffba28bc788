#include "Faults.h"

namespace standin {

void Faults::fail(std::string name, int nth, PF_Err code, bool from_on)
{
    rules_.push_back({std::move(name), nth, from_on, Fault{code, false}});
}

void Faults::give_null(std::string name, int nth, bool from_on)
{
    rules_.push_back({std::move(name), nth, from_on, Fault{PF_Err_NONE, true}});
}

std::optional<Fault> Faults::next(std::string_view name)
{
    auto it = counts_.find(name);
    if (it == counts_.end())
        it = counts_.emplace(std::string(name), 0).first;
    const int n = ++it->second;
    for (const Rule& rule : rules_)
        if (rule.name == name && (n == rule.nth || (rule.from_on && n > rule.nth)))
            return rule.fault;
    return std::nullopt;
}

int Faults::calls(std::string_view name) const
{
    auto it = counts_.find(name);
    return it == counts_.end() ? 0 : it->second;
}

void Faults::clear()
{
    rules_.clear();
    counts_.clear();
}

} // namespace standin
