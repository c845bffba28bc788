// The effect's parameter indices: the host's input layer is 0.
#pragma once

enum {
    PARAM_INPUT = 0,
    PARAM_OPACITY,
    PARAM_COLOR,
    PARAM_FONT_BUTTON,
    PARAM_FONT_SIZE,
    PARAM_FONT_WEIGHT,
    PARAM_POSITION,
    PARAM_AUDIO_LAYER,
    PARAM_ADVANCED_START,
    PARAM_SAMPLE_OFFSET,
    PARAM_SAMPLE_WIDTH,
    PARAM_ADVANCED_END,
    PARAM_NUM_PARAMS
};
