#include "Declarations.h"

#include "Ledger.h"
#include "World.h"

namespace standin {

void Declarations::before_command(PF_Cmd cmd, const PF_LayerDef* output)
{
    if (cmd == PF_Cmd_GLOBAL_SETUP)
        registrations_ = 0;
    if (cmd == PF_Cmd_RENDER && output && is_deep(*output))
        require(PF_OutFlag_DEEP_COLOR_AWARE, "PF_OutFlag_DEEP_COLOR_AWARE", "a 16-bit render");
    if (cmd == PF_Cmd_GET_FLATTENED_SEQUENCE_DATA)
        require2(PF_OutFlag2_SUPPORTS_GET_FLATTENED_SEQUENCE_DATA,
                 "PF_OutFlag2_SUPPORTS_GET_FLATTENED_SEQUENCE_DATA", "get flattened sequence data");
}

void Declarations::after_command(PF_Cmd cmd, const PF_OutData& out)
{
    if (cmd == PF_Cmd_GLOBAL_SETUP) {
        flags_ = out.out_flags;
        flags2_ = out.out_flags2;
    }
}

void Declarations::registered(const std::string& name)
{
    if (++registrations_ == 2)
        ledger_.misuse("a second registration with the plug-in services: \"" + name + "\"");
}

void Declarations::require(PF_OutFlags flag, const char* flag_name, const std::string& what)
{
    if (flags_ && (*flags_ & flag) != flag)
        ledger_.misuse(what + " for an effect that did not declare " + flag_name);
}

void Declarations::require2(PF_OutFlags2 flag, const char* flag_name, const std::string& what)
{
    if (flags_ && (flags2_ & flag) != flag)
        ledger_.misuse(what + " for an effect that did not declare " + flag_name);
}

} // namespace standin
