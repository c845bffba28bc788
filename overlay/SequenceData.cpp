#include "Handlers.h"

// Not yet built.
PF_Err SequenceSetup(PF_InData*, PF_OutData*) { return PF_Err_NONE; }
PF_Err SequenceResetup(PF_InData*, PF_OutData*) { return PF_Err_NONE; }
PF_Err SequenceFlatten(PF_InData*, PF_OutData*) { return PF_Err_NONE; }
PF_Err SequenceSetdown(PF_InData*, PF_OutData*) { return PF_Err_NONE; }
PF_Err GetFlattenedSequenceData(PF_InData*, PF_OutData*) { return PF_Err_NONE; }
