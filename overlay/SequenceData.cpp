// The per-instance record's birth and end: setup, resetup and setdown.
#include "SequenceData.h"

#include <cstring>
#include <memory>
#include <new>

#include "AEGP_SuiteHandler.h"
#include "Handlers.h"
#include "Marrowtick_Strings.h"
#include "NewHandle.h"

namespace {

// Hands the host a new in-memory record holding a copy of `name` in a buffer
// of buffer_size bytes (at least its length + 1). Fails with `fail_code`
// before anything reaches out_data; nothing it made is left behind.
PF_Err NewRecord(const AEGP_SuiteHandler& suites, PF_OutData* out_data, const char* name,
                 std::size_t buffer_size, A_u_char use_default, PF_Err fail_code)
{
    NewHandle handle(suites.HandleSuite1(), sizeof(SeqData));
    if (!handle.block())
        return fail_code;
    auto* seq = static_cast<SeqData*>(handle.block());
    std::memset(seq, 0, sizeof *seq);

    // Zeroed, so that a name the host's strcpy did not write is still terminated.
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[buffer_size]());
    if (!buffer)
        return fail_code;
    suites.ANSICallbacksSuite1()->strcpy(buffer.get(), name);

    seq->font_name = buffer.release();
    seq->use_default = use_default;
    seq->flat = 0;
    handle.HandOver(out_data->sequence_data);
    return PF_Err_NONE;
}

// The first name buffer is sized for any family name the font list may give.
std::size_t DefaultBufferSize()
{
    return std::strlen(GetStringPtr(StrID_Font_Buffer_Sizer)) + 1;
}

} // namespace

PF_Err SequenceSetup(PF_InData* in_data, PF_OutData* out_data)
{
    AEGP_SuiteHandler suites(in_data->pica_basicP);
    return NewRecord(suites, out_data, GetStringPtr(StrID_Default_Font), DefaultBufferSize(), 1,
                     PF_Err_OUT_OF_MEMORY);
}

// The incoming block stays the host's: read in place, never changed or disposed.
PF_Err SequenceResetup(PF_InData* in_data, PF_OutData* out_data)
{
    AEGP_SuiteHandler suites(in_data->pica_basicP);
    const PF_Handle incoming = in_data->sequence_data;
    if (!incoming || !*incoming)
        return PF_Err_NONE;

    // A stored block too short to be ours cannot say which family it meant.
    if (BlockSize(suites.HandleSuite1(), incoming) < sizeof(FlatSeqData))
        return NewRecord(suites, out_data, GetStringPtr(StrID_Default_Font), DefaultBufferSize(),
                         1, PF_Err_INTERNAL_STRUCT_DAMAGED);

    // Only the name field is read: without a terminator it gives the 255
    // bytes that flatten would have kept.
    const auto* flat = static_cast<const FlatSeqData*>(*incoming);
    char name[sizeof flat->font_name];
    const std::size_t length = strnlen(flat->font_name, sizeof flat->font_name - 1);
    std::memcpy(name, flat->font_name, length);
    name[length] = '\0';
    return NewRecord(suites, out_data, name, length + 1, flat->use_default,
                     PF_Err_INTERNAL_STRUCT_DAMAGED);
}

PF_Err SequenceSetdown(PF_InData* in_data, PF_OutData* /*out_data*/)
{
    AEGP_SuiteHandler suites(in_data->pica_basicP);
    const PF_Handle incoming = in_data->sequence_data;
    if (!incoming)
        return PF_Err_NONE;
    // Acquired first, so that a missing suite leaves the record whole.
    PF_HandleSuite1* handles = suites.HandleSuite1();
    if (const SeqData* seq = InMemoryRecord(handles, incoming))
        delete[] seq->font_name;
    handles->host_dispose_handle(incoming);
    return PF_Err_NONE;
}
