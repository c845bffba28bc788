#include "ParamCallbacks.h"

#include <cstring>
#include <stdexcept>

#include "CallGuard.h"

namespace standin {

PF_Err add_param(PF_ProgPtr effect_ref, PF_ParamIndex index, PF_ParamDef* def)
{
    const auto args = [&] {
        std::string text = "index " + std::to_string(index);
        if (def)
            text += ", type " + std::to_string(def->param_type) + ", id " + std::to_string(def->uu.id) + ", \"" +
                    std::string(def->name, strnlen(def->name, sizeof def->name)) + "\"";
        return text;
    };
    return guarded("inter.add_param", args, [&](bool) {
        Host& host = Host::current();
        if (effect_ref != host.in_data().effect_ref)
            throw std::invalid_argument("not the host's effect_ref");
        if (index != -1)
            throw std::invalid_argument("only index -1 (append) is offered");
        if (!def)
            throw std::invalid_argument("null definition");
        if (!std::memchr(def->name, '\0', sizeof def->name))
            throw std::invalid_argument("name without a terminator in its 32 bytes");
        host.params().push_back(*def);
        return PF_Err_NONE;
    });
}

} // namespace standin
