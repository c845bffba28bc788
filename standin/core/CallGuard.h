// Every callback that the stand-in host offers goes through `guarded`.
#pragma once

#include <atomic>
#include <exception>
#include <new>
#include <optional>
#include <string>
#include <type_traits>

#include "Host.h"

namespace standin {

namespace detail {
inline thread_local std::atomic<const char*>* t_pixel_band_call = nullptr;
}

// Marks this thread, for one band of an iteration, as running the effect's
// pixel callbacks, on a worker thread or the caller's. The stand-in host
// offers no call there: one made meanwhile is not run, and the first one's
// name goes to `first_call` for the iteration to report as a misuse.
class PixelCallbackBand {
public:
    explicit PixelCallbackBand(std::atomic<const char*>& first_call) : previous_(detail::t_pixel_band_call)
    {
        detail::t_pixel_band_call = &first_call;
    }
    ~PixelCallbackBand() { detail::t_pixel_band_call = previous_; }
    PixelCallbackBand(const PixelCallbackBand&) = delete;
    PixelCallbackBand& operator=(const PixelCallbackBand&) = delete;

private:
    std::atomic<const char*>* previous_;
};

// Whether this thread is running pixel callbacks, where the host runs no call.
inline bool in_pixel_callback() { return detail::t_pixel_band_call != nullptr; }

// True, with the call noted, when this thread runs pixel callbacks.
inline bool refused_in_pixel_callback(const char* name)
{
    std::atomic<const char*>* first_call = detail::t_pixel_band_call;
    if (!first_call)
        return false;
    const char* none = nullptr;
    first_call->compare_exchange_strong(none, name);
    return true;
}

std::string hex(const void* p);

// The arguments as the ledger shows them: what `args` makes when it is
// callable, else the pointer it is, in hex. Text goes in a callable, so
// that it is made inside the guard.
template <typename Args>
std::string call_args(const Args& args)
{
    if constexpr (std::is_invocable_v<const Args&>) {
        return args();
    } else {
        static_assert(std::is_pointer_v<Args> && !std::is_same_v<std::remove_cv_t<std::remove_pointer_t<Args>>, char>,
                      "text arguments go in a callable");
        return hex(args);
    }
}

// Like guarded, with the fault plan consulted through rule(faults), which
// answers the call's fault, if any.
template <typename Args, typename Rule, typename Body>
PF_Err guarded_by(const char* name, const Args& args, Rule&& rule, Body&& body)
{
    if (refused_in_pixel_callback(name))
        return PF_Err_INTERNAL_STRUCT_DAMAGED;
    try {
        Host& host = Host::current();
        if (std::string late = host.suites().call_after_release(name); !late.empty())
            host.ledger().misuse(std::move(late));
        const std::optional<Fault> fault = rule(host.faults());
        // Made before the call runs: a call that ran is recorded, and what it
        // did stands, however little memory is left.
        Call call = host.ledger().prepare(name, call_args(args));
        PF_Err err = PF_Err_NONE;
        if (fault && !fault->null_result) {
            err = fault->code;
        } else {
            try {
                err = body(fault.has_value());
            } catch (const std::bad_alloc&) {
                err = PF_Err_OUT_OF_MEMORY;
            } catch (const std::exception& e) {
                err = PF_Err_INTERNAL_STRUCT_DAMAGED;
                host.ledger().misuse(std::string(name) + ": " + e.what());
            } catch (...) {
                err = PF_Err_INTERNAL_STRUCT_DAMAGED;
                host.ledger().misuse(std::string(name) + ": unknown exception");
            }
        }
        host.ledger().commit(std::move(call), err);
        return err;
    } catch (const std::bad_alloc&) {
        return PF_Err_OUT_OF_MEMORY;
    } catch (...) {
        // No host on this thread: nothing to record it in.
        return PF_Err_INTERNAL_STRUCT_DAMAGED;
    }
}

// Runs a host callback: consults the fault plan, runs the call, records it
// in the ledger, and lets no C++ exception out into the effect. Everything
// it does, the bookkeeping too, is inside: memory that runs out answers
// PF_Err_OUT_OF_MEMORY, as a host out of memory does, and blames no one.
// body(give_null) returns the call's error code; give_null asks it to answer
// success with a null result, as a faulty host would.
template <typename Args, typename Body>
PF_Err guarded(const char* name, const Args& args, Body&& body)
{
    return guarded_by(name, args, [name](Faults& faults) { return faults.next(name); }, std::forward<Body>(body));
}

// For the host's pointer-returning calls (new handle, lock): a fault makes
// them return null, and the call is recorded with 0 or 4.
template <typename T, typename Args, typename Body>
T* guarded_ptr(const char* name, const Args& args, Body&& body)
{
    T* out = nullptr;
    guarded(name, args, [&](bool give_null) {
        out = give_null ? nullptr : body();
        return out ? PF_Err_NONE : PF_Err_OUT_OF_MEMORY;
    });
    return out;
}

} // namespace standin
