#include "Ledger.h"

namespace standin {

void Ledger::record(std::string name, std::string args, PF_Err result)
{
    calls_.push_back({calls_.size(), std::move(name), std::move(args), result});
}

void Ledger::misuse(std::string what)
{
    if (first_misuse_.empty())
        first_misuse_ = std::move(what);
}

std::string Ledger::take_misuse()
{
    std::string taken;
    taken.swap(first_misuse_);
    return taken;
}

std::vector<Call> Ledger::named(std::string_view name) const
{
    std::vector<Call> out;
    for (const Call& call : calls_)
        if (call.name == name)
            out.push_back(call);
    return out;
}

std::size_t Ledger::count(std::string_view name) const
{
    std::size_t n = 0;
    for (const Call& call : calls_)
        n += call.name == name;
    return n;
}

std::vector<std::string> Ledger::names() const
{
    std::vector<std::string> out;
    out.reserve(calls_.size());
    for (const Call& call : calls_)
        out.push_back(call.name);
    return out;
}

void Ledger::clear()
{
    calls_.clear();
    first_misuse_.clear();
}

} // namespace standin
