#include "Marrowtick_Strings.h"

// Aggregate initialisation zero-fills every text after its terminator.
extern "C" const StringRow g_strs[StrID_NUMTYPES] = {
    {StrID_NONE, ""},
    {StrID_Name, "Marrowtick"},
    {StrID_Author, "Marrowtick burns the LTC timecode of an audio layer into the picture."},
    {StrID_Description, "Overlays text of the LTC encoded by the specified audio layer"},
    {StrID_Opacity_Param_Name, "Opacity"},
    {StrID_Color_Param_Name, "Color"},
    {StrID_Font_Size_Param_Name, "Font Size"},
    {StrID_Font_Weight_Param_Name, "Font Weight"},
    {StrID_Position_Param_Name, "Position"},
    {StrID_Audio_Layer_Param_Name, "Audio Source Layer"},
    {StrID_Advanced_Group_Name, "Advanced"},
    {StrID_Sample_Offset_Param_Name, "Sample Offset (Frames)"},
    {StrID_Sample_Width_Param_Name, "Sample Width (Frames)"},
    {StrID_Default_Font, "Arial"},
    // Only its length matters: it sizes the name buffer of new sequence data.
    {StrID_Font_Buffer_Sizer,
     "This is a really long string, somewhat over 256 characters long. We'll use this to make "
     "sure we correctly clamp the flat version of our string to 256 characters"
     "This is a really long string, somewhat over 256 characters long. We'll use this to make "
     "sure we correctly clamp the flat version of our string to 256 characte"},
    {StrID_Font_Button_Param_Name, "Font"},
    {StrID_Font_Button_Label, "Choose Font..."},
};

char* GetStringPtr(int32_t n)
{
    return const_cast<char*>(g_strs[n].str);
}
