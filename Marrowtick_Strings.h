// The user-visible texts, fetched by row number.
#pragma once

#include <cstdint>

#include "PF_Entry.h"

enum StringId : int32_t {
    StrID_NONE = 0,
    StrID_Name = 1,
    StrID_Author = 2,
    StrID_Description = 3,
    StrID_Opacity_Param_Name = 4,
    StrID_Color_Param_Name = 5,
    StrID_Font_Size_Param_Name = 6,
    StrID_Font_Weight_Param_Name = 7,
    StrID_Position_Param_Name = 8,
    StrID_Audio_Layer_Param_Name = 9,
    StrID_Advanced_Group_Name = 10,
    StrID_Sample_Offset_Param_Name = 11,
    StrID_Sample_Width_Param_Name = 12,
    StrID_Default_Font = 13,
    StrID_Font_Buffer_Sizer = 14,
    StrID_Font_Button_Param_Name = 15,
    StrID_Font_Button_Label = 16,
    StrID_NUMTYPES
};

struct StringRow {
    uint32_t id;    // equal to the row's own number
    char str[320];  // zero-filled after the terminator
};

extern "C" __attribute__((visibility("default"))) const StringRow g_strs[StrID_NUMTYPES];

// The text of row n, valid while the module is loaded. n is not checked.
PF_EXPORT char* GetStringPtr(int32_t n);
