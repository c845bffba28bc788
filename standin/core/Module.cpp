#include "Module.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>

#include "CallGuard.h"

namespace standin {

namespace {
std::string text(const A_u_char* s)
{
    return s ? reinterpret_cast<const char*>(s) : "";
}

// The module whose registration entry is running on this thread: the
// callback finds it here, not through the data pointer the effect passes.
thread_local Module* t_registering = nullptr;
} // namespace

Module::Module(const std::string& path, Ledger* misuses) : path_(path), misuses_(misuses)
{
    // Like the real host, never unmap a plug-in once loaded: the libraries
    // beneath it keep process-wide state that outlives dlclose.
    library_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (!library_) {
        const char* why = dlerror();
        throw HostError("cannot load the effect module " + path + ": " + (why ? why : "unknown"));
    }
    data_entry_ = reinterpret_cast<PF_PluginDataEntryFunc>(dlsym(library_, "PluginDataEntryFunction"));
    if (!data_entry_) {
        dlclose(library_);
        throw HostError(path + " is not an effect: it has no PluginDataEntryFunction");
    }
}

Module::~Module()
{
    dlclose(library_);
}

PF_Err Module::registration_callback(PF_PluginDataPtr in_ptr, const A_u_char* name,
                                     const A_u_char* match_name, const A_u_char* category,
                                     const A_u_char* entry_point_name, A_long kind,
                                     A_long api_major, A_long api_minor, A_long reserved)
{
    Module* self = t_registering;
    if (!self)
        return PF_Err_BAD_CALLBACK_PARAM; // after the entry returned: no module to answer for
    Registration& r = self->registration_;
    std::string misuse;
    if (in_ptr != self)
        misuse = "registration with a data pointer that is not the host's: " + hex(in_ptr);
    else if (++r.calls > 1)
        misuse = "a second registration: \"" + text(name) + "\"";
    if (!misuse.empty()) {
        if (self->misuses_)
            self->misuses_->misuse(std::move(misuse));
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    r.name = text(name);
    r.match_name = text(match_name);
    r.category = text(category);
    r.entry_name = text(entry_point_name);
    r.kind = kind;
    r.api_major = api_major;
    r.api_minor = api_minor;
    r.reserved_info = reserved;
    return self->answer_;
}

PF_Err Module::register_effect(SPBasicSuite* basic_suite, PF_Err answer)
{
    answer_ = answer;
    registration_ = {};
    effect_main_ = nullptr;
    Module* const outer = t_registering;
    t_registering = this;
    const PF_Err err = data_entry_(this, &registration_callback, basic_suite, "After Effects", "25.0");
    t_registering = outer;
    if (err == PF_Err_NONE && !registration_.entry_name.empty())
        effect_main_ = reinterpret_cast<PF_EffectMainFunc>(symbol(registration_.entry_name.c_str()));
    return err;
}

PF_EffectMainFunc Module::effect_main() const
{
    if (!effect_main_)
        throw HostError("the effect has not registered a command entry that " + path_ + " exports");
    return effect_main_;
}

void* Module::symbol(const char* name) const
{
    return dlsym(library_, name);
}

std::string Module::default_path()
{
    char exe[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0)
        return "Marrowtick.so";
    std::string dir(exe, static_cast<size_t>(n));
    dir.resize(dir.rfind('/') + 1);
    return dir + "Marrowtick.so";
}

} // namespace standin
