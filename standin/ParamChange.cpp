#include "ParamChange.h"

namespace standin {

PF_Err user_changed_param(Host& host, PF_ParamIndex index)
{
    PF_UserChangedParamExtra extra{};
    extra.param_index = index;
    return host.command(PF_Cmd_USER_CHANGED_PARAM, nullptr, nullptr, &extra);
}

} // namespace standin
