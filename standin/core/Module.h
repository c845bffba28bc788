// The effect module as the host loads it: dlopen, then the registration entry.
#pragma once

#include <stdexcept>
#include <string>

#include "PF_Entry.h"

namespace standin {

class Ledger;

// A failure of the host itself (module missing, symbol missing...), as
// opposed to an error code that the effect returned.
struct HostError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The nine values that the effect passed to the registration callback.
struct Registration {
    int calls = 0;
    std::string name, match_name, category, entry_name;
    A_long kind = 0, api_major = 0, api_minor = 0, reserved_info = 0;
};

class Module {
public:
    // Throws HostError when the file cannot be loaded or lacks the entry.
    // Misuses of the registration callback go to `misuses` when given.
    explicit Module(const std::string& path, Ledger* misuses = nullptr);
    ~Module();
    Module(const Module&) = delete;
    Module& operator=(const Module&) = delete;

    // Calls PluginDataEntryFunction with the host's registration callback,
    // then resolves the command entry under the name the effect gave.
    // Returns the entry's result; `answer` is what the callback returns.
    // The callback takes one call, with the data pointer it was handed,
    // while the entry runs; any other is a misuse, answered with
    // PF_Err_BAD_CALLBACK_PARAM and not registered.
    PF_Err register_effect(SPBasicSuite* basic_suite, PF_Err answer = PF_Err_NONE);
    const Registration& registration() const { return registration_; }

    // Throws HostError until registration has named an entry that exists.
    PF_EffectMainFunc effect_main() const;
    void* symbol(const char* name) const;
    const std::string& path() const { return path_; }

    // Beside the running program, where an installer puts it.
    static std::string default_path();

private:
    static PF_Err registration_callback(PF_PluginDataPtr in_ptr, const A_u_char* name,
                                        const A_u_char* match_name, const A_u_char* category,
                                        const A_u_char* entry_point_name, A_long kind,
                                        A_long api_major, A_long api_minor, A_long reserved);

    std::string path_;
    Ledger* misuses_ = nullptr;
    void* library_ = nullptr;
    PF_PluginDataEntryFunc data_entry_ = nullptr;
    PF_EffectMainFunc effect_main_ = nullptr;
    Registration registration_;
    PF_Err answer_ = PF_Err_NONE;
};

} // namespace standin
