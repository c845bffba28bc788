// Scalar types, codes and flag bits of the host's effect interface.
#pragma once

#include <cstdint>

typedef int32_t A_long;
typedef uint32_t A_u_long;
typedef int16_t A_short;
typedef uint16_t A_u_short;
typedef char A_char;
typedef unsigned char A_u_char;
typedef uint8_t A_Boolean;
typedef uint8_t PF_Boolean;
typedef double PF_FpLong;
typedef float PF_FpShort;
typedef int32_t PF_Fixed;   // 16.16 fixed point
typedef uint32_t PF_UFixed; // unsigned 16.16 fixed point
typedef int32_t PF_Err;
typedef int32_t PF_Cmd;
typedef int32_t PF_ParamIndex;
typedef int32_t PF_ParamType;
typedef int32_t PF_ParamFlags;
typedef int32_t PF_ParamUIFlags;
typedef int32_t PF_OutFlags;
typedef int32_t PF_OutFlags2;
typedef int32_t PF_Quality;
typedef int32_t PF_ModeFlags;
typedef int32_t PF_Field;
typedef int32_t PF_TransferMode;
typedef uint32_t PF_PixelFormat;
typedef uint32_t A_HandleSize;
typedef int32_t AEGP_PluginID;
typedef void* AEGP_GlobalRefcon;

// A movable block of host memory: *handle is the block's current address.
typedef void** PF_Handle;

// The effect's identity in every host call; owned by the host.
typedef struct PF_ProgressInfo* PF_ProgPtr;

// A checked-out window of layer audio; owned by the host until checked in.
typedef struct PF_LayerAudioOpaque* PF_LayerAudio;
typedef void* PF_SndSamplePtr;

// A memory-suite handle (script results); owned by whoever frees it.
typedef struct AEGP_MemHandleOpaque* AEGP_MemHandle;

// The host's four-character codes: first character in the most significant byte.
constexpr uint32_t PF_FourCC(char a, char b, char c, char d)
{
    return (uint32_t(uint8_t(a)) << 24) | (uint32_t(uint8_t(b)) << 16) |
           (uint32_t(uint8_t(c)) << 8) | uint32_t(uint8_t(d));
}

enum : uint32_t {
    PF_Kind_EFFECT = PF_FourCC('e', 'F', 'K', 'T'),
    PF_ApplId_PREMIERE = PF_FourCC('P', 'r', 'M', 'r'),
    PF_ApplId_AFTER_EFFECTS = PF_FourCC('F', 'X', 'T', 'C'),
};

// Error codes.
enum : PF_Err {
    PF_Err_NONE = 0,
    PF_Err_OUT_OF_MEMORY = 4,
    A_Err_MISSING_SUITE = 13,
    PF_Err_INTERNAL_STRUCT_DAMAGED = 512,
    PF_Err_INVALID_INDEX = 513,
    PF_Err_UNRECOGNIZED_PARAM_TYPE = 514,
    PF_Err_INVALID_CALLBACK = 515,
    PF_Err_BAD_CALLBACK_PARAM = 516,
};

// Command codes of EffectMain.
enum : PF_Cmd {
    PF_Cmd_ABOUT = 0,
    PF_Cmd_GLOBAL_SETUP = 1,
    PF_Cmd_UNUSED_0 = 2,
    PF_Cmd_GLOBAL_SETDOWN = 3,
    PF_Cmd_PARAMS_SETUP = 4,
    PF_Cmd_SEQUENCE_SETUP = 5,
    PF_Cmd_SEQUENCE_RESETUP = 6,
    PF_Cmd_SEQUENCE_FLATTEN = 7,
    PF_Cmd_SEQUENCE_SETDOWN = 8,
    PF_Cmd_DO_DIALOG = 9,
    PF_Cmd_FRAME_SETUP = 10,
    PF_Cmd_RENDER = 11,
    PF_Cmd_FRAME_SETDOWN = 12,
    PF_Cmd_USER_CHANGED_PARAM = 13,
    PF_Cmd_GET_FLATTENED_SEQUENCE_DATA = 28,
};

// out_flags.
enum : PF_OutFlags {
    PF_OutFlag_NON_PARAM_VARY = 1 << 2,
    PF_OutFlag_SEQUENCE_DATA_NEEDS_FLATTENING = 1 << 4,
    PF_OutFlag_DISPLAY_ERROR_MESSAGE = 1 << 8,
    PF_OutFlag_I_USE_AUDIO = 1 << 20,
    PF_OutFlag_FORCE_RERENDER = 1 << 22,
    PF_OutFlag_DEEP_COLOR_AWARE = 1 << 25,
};

// out_flags2.
enum : PF_OutFlags2 {
    PF_OutFlag2_SUPPORTS_GET_FLATTENED_SEQUENCE_DATA = 1 << 23,
};

// Parameter types.
enum : PF_ParamType {
    PF_Param_LAYER = 0,
    PF_Param_SLIDER = 1,
    PF_Param_FIX_SLIDER = 2,
    PF_Param_ANGLE = 3,
    PF_Param_CHECKBOX = 4,
    PF_Param_COLOR = 5,
    PF_Param_POINT = 6,
    PF_Param_POPUP = 7,
    PF_Param_CUSTOM = 8,
    PF_Param_NO_DATA = 9,
    PF_Param_FLOAT_SLIDER = 10,
    PF_Param_ARBITRARY_DATA = 11,
    PF_Param_PATH = 12,
    PF_Param_GROUP_START = 13,
    PF_Param_GROUP_END = 14,
    PF_Param_BUTTON = 15,
};

enum : PF_ParamFlags { PF_ParamFlag_SUPERVISE = 1 << 6 };
enum : PF_ParamUIFlags { PF_PUI_STD_CONTROL_ONLY = 1 << 2 };
enum : A_long { PF_LayerDefault_MYSELF = -1, PF_LayerDefault_NONE = 0 };

// world_flags: bit 0 marks a 16-bit world.
enum : A_long { PF_WorldFlag_DEEP = 1 << 0, PF_WorldFlag_WRITEABLE = 1 << 1 };

// Pixel formats of PF World Suite 2.
enum : PF_PixelFormat {
    PF_PixelFormat_ARGB32 = 0x62677261, // 8 bits a channel
    PF_PixelFormat_ARGB64 = 0x36316561, // 16 bits a channel, 0 to 32768
};

enum : PF_Quality { PF_Quality_LO = 0, PF_Quality_HI = 1 };
enum : PF_ModeFlags { PF_MF_Alpha_PREMUL = 0, PF_MF_Alpha_STRAIGHT = 1 };
enum : PF_Field { PF_Field_FRAME = 0 };
enum : PF_TransferMode { PF_Xfer_COPY = 1, PF_Xfer_IN_FRONT = 2 };

// The largest channel value of a 16-bit world.
constexpr A_u_short PF_MAX_CHAN16 = 32768;
