#include "Ledger.h"

#include <algorithm>

namespace standin {

void Ledger::record(std::string name, std::string args, PF_Err result)
{
    commit(prepare(std::move(name), std::move(args)), result);
}

Call Ledger::prepare(std::string name, std::string args)
{
    // Room for every call prepared and not yet committed (a call made while
    // another runs), kept in doubling steps.
    if (calls_.size() + pending_ >= calls_.capacity())
        calls_.reserve(std::max<std::size_t>(16, 2 * (calls_.size() + pending_ + 1)));
    ++pending_;
    return {0, std::move(name), std::move(args), PF_Err_NONE};
}

void Ledger::commit(Call call, PF_Err result) noexcept
{
    // Dropped in halves, so that a bounded record costs no more a call than
    // a full one.
    if (keep_ && calls_.size() >= 2 * keep_)
        calls_.erase(calls_.begin(), calls_.end() - std::ptrdiff_t(keep_ - 1));
    if (pending_)
        --pending_;
    call.seq = recorded_++;
    call.result = result;
    calls_.push_back(std::move(call));
}

void Ledger::keep_last(std::size_t calls)
{
    keep_ = calls;
    if (keep_ && calls_.size() > 2 * keep_)
        calls_.erase(calls_.begin(), calls_.end() - std::ptrdiff_t(keep_));
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
    recorded_ = 0;
    first_misuse_.clear();
}

} // namespace standin
