#include "ParamChange.h"

namespace standin {

PF_Err user_changed_param(Host& host, PF_ParamIndex index)
{
    PF_UserChangedParamExtra extra{};
    extra.param_index = index;
    host.out_data().sequence_data = host.in_data().sequence_data;
    const PF_Err err = host.command(PF_Cmd_USER_CHANGED_PARAM, nullptr, nullptr, &extra);
    host.out_data().sequence_data = nullptr;
    return err;
}

} // namespace standin
