// Every callback that the stand-in host offers goes through `guarded`: it
// consults the fault plan, runs the call, records it in the ledger and never
// lets a C++ exception out into the effect.
#pragma once

#include <atomic>
#include <exception>
#include <string>

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

// body(give_null) returns the call's error code; give_null asks it to answer
// success with a null result, as a faulty host would.
template <typename Body>
PF_Err guarded(const char* name, std::string args, Body&& body)
{
    if (refused_in_pixel_callback(name))
        return PF_Err_INTERNAL_STRUCT_DAMAGED;
    Host& host = Host::current();
    PF_Err err = PF_Err_NONE;
    if (std::string late = host.suites().call_after_release(name); !late.empty())
        host.ledger().misuse(std::move(late));
    const auto fault = host.faults().next(name);
    if (fault && !fault->null_result) {
        err = fault->code;
    } else {
        try {
            err = body(fault.has_value());
        } catch (const std::exception& e) {
            host.ledger().misuse(std::string(name) + ": " + e.what());
            err = PF_Err_INTERNAL_STRUCT_DAMAGED;
        } catch (...) {
            host.ledger().misuse(std::string(name) + ": unknown exception");
            err = PF_Err_INTERNAL_STRUCT_DAMAGED;
        }
    }
    host.ledger().record(name, std::move(args), err);
    return err;
}

// For the host's pointer-returning calls (new handle, lock): a fault makes
// them return null, and the call is recorded with 0 or 4.
template <typename T, typename Body>
T* guarded_ptr(const char* name, std::string args, Body&& body)
{
    T* out = nullptr;
    guarded(name, std::move(args), [&](bool give_null) {
        out = give_null ? nullptr : body();
        return out ? PF_Err_NONE : PF_Err_OUT_OF_MEMORY;
    });
    return out;
}

std::string hex(const void* p);

} // namespace standin
