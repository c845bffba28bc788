#include "AEGP_SuiteHandler.h"

// Thrown by value; the command entry turns it into the command's result.
void AEGP_SuiteHandler::MissingSuiteError() const
{
    throw static_cast<int>(PF_Err_BAD_CALLBACK_PARAM);
}
