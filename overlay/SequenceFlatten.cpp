// The record's saved form: flatten, and get flattened for a save that keeps
// the instance live.
#include <cstring>

#include "AEGP_SuiteHandler.h"
#include "Handlers.h"
#include "NewHandle.h"
#include "SequenceData.h"

namespace {

void FillBlock(const SeqData& seq, FlatSeqData& flat)
{
    std::memset(&flat, 0, sizeof flat);
    flat.flat = 1;
    flat.use_default = seq.use_default;
    // At most 255 bytes, cut even inside a multi-byte character: the field's
    // last byte stays 0.
    if (seq.font_name)
        std::strncpy(flat.font_name, seq.font_name, sizeof flat.font_name - 1);
}

// Hands the host a new flattened block of the incoming data. With
// keep_record false the incoming record is released once the block is complete.
PF_Err Flatten(PF_InData* in_data, PF_OutData* out_data, bool keep_record)
{
    AEGP_SuiteHandler suites(in_data->pica_basicP);
    const PF_Handle incoming = in_data->sequence_data;
    if (!incoming)
        return PF_Err_INTERNAL_STRUCT_DAMAGED;
    const void* data = *incoming;
    if (!data)
        return PF_Err_NONE;

    PF_HandleSuite1* handles = suites.HandleSuite1();
    // Data flattened already (or damaged) is handed over as a copy, not read as a record.
    const A_HandleSize incoming_size = BlockSize(handles, incoming);
    // A block that cannot be measured can be neither read nor copied: it
    // stays the host's as it is, and the save fails rather than lose it.
    if (incoming_size == 0)
        return PF_Err_INTERNAL_STRUCT_DAMAGED;
    const SeqData* record = AsRecord(*incoming, incoming_size);
    const A_HandleSize size = record ? A_HandleSize(sizeof(FlatSeqData)) : incoming_size;
    NewHandle block(handles, size);
    if (!block.block())
        return PF_Err_INTERNAL_STRUCT_DAMAGED;
    if (record)
        FillBlock(*record, *static_cast<FlatSeqData*>(block.block()));
    else
        std::memcpy(block.block(), data, size);

    if (!keep_record) {
        if (record)
            delete[] record->font_name;
        handles->host_dispose_handle(incoming);
    }
    block.HandOver(out_data->sequence_data);
    return PF_Err_NONE;
}

} // namespace

PF_Err SequenceFlatten(PF_InData* in_data, PF_OutData* out_data)
{
    return Flatten(in_data, out_data, false);
}

PF_Err GetFlattenedSequenceData(PF_InData* in_data, PF_OutData* out_data)
{
    return Flatten(in_data, out_data, true);
}
