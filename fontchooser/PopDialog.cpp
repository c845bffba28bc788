#include "PopDialog.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <optional>

#include "AEGP_SuiteHandler.h"
#include "DialogScript.h"
#include "FamilyList.h"
#include "InstalledFonts.h"
#include "ListIndex.h"
#include "Marrowtick.h"
#include "Marrowtick_Strings.h"
#include "SequenceData.h"

namespace {

// Everything one run holds. The destructor is the run's clean-up, so it
// also runs when a suite cannot be acquired; the fontconfig objects, being
// the first member, go last, after the arrays that borrow from them.
struct DialogRun {
    InstalledFonts fonts;
    const PF_HandleSuite1* handles = nullptr; // set before the first handle is made
    PF_Handle list_handle = nullptr;
    const char* list_text = nullptr; // the list handle's block while it is locked
    PF_Handle script_handle = nullptr;
    const char* script_text = nullptr; // the script handle's block while it is locked
    const char** names = nullptr;      // malloc'd, count slots
    const char** listed = nullptr;     // malloc'd, count slots, listed_count used
    FamilyCount found;
    A_long listed_count = 0;

    DialogRun() = default;
    DialogRun(const DialogRun&) = delete;
    DialogRun& operator=(const DialogRun&) = delete;
    ~DialogRun();
};

DialogRun::~DialogRun()
{
    if (script_text)
        handles->host_unlock_handle(script_handle);
    if (list_text)
        handles->host_unlock_handle(list_handle);
    if (script_handle)
        handles->host_dispose_handle(script_handle);
    if (list_handle)
        handles->host_dispose_handle(list_handle);
    std::free(names);
    std::free(listed);
}

const char** new_name_array(A_long count)
{
    return static_cast<const char**>(std::malloc(sizeof(const char*) * std::size_t(count > 0 ? count : 1)));
}

// The list text in its locked handle, and both name arrays. False when any
// of them cannot be had.
bool build_family_list(const AEGP_SuiteHandler& suites, DialogRun& run)
{
    run.found = count_families(run.fonts.set());
    run.list_handle = run.handles->host_new_handle(A_HandleSize(run.found.budget) + 1);
    if (!run.list_handle)
        return false;
    char* text = static_cast<char*>(*run.list_handle);
    suites.ANSICallbacksSuite1()->strcpy(text, "");
    run.names = new_name_array(run.found.count);
    run.listed = new_name_array(run.found.count);
    if (!run.names || !run.listed)
        return false;
    run.listed_count = write_family_list(run.fonts.set(), run.found.count, run.names, text, run.listed);
    run.list_text = static_cast<const char*>(run.handles->host_lock_handle(run.list_handle));
    return run.list_text != nullptr;
}

// The entry showing the family that the input record's sequence data holds.
A_long initial_selection(const PF_InData* in_data, const DialogRun& run)
{
    if (!in_data->sequence_data)
        return 0;
    const auto* seq = static_cast<const SeqData*>(run.handles->host_lock_handle(in_data->sequence_data));
    // A flattened or damaged block holds no name pointer to follow.
    const bool record = seq && InMemoryRecord(run.handles, in_data->sequence_data) != nullptr;
    const A_long selection = !record || seq->use_default
                                 ? 0
                                 : preselected_entry(seq->font_name, run.listed, run.listed_count);
    run.handles->host_unlock_handle(in_data->sequence_data);
    return selection;
}

// The filled template in its locked handle. False when it cannot be had.
bool build_script(const PF_InData* in_data, A_long selection, DialogRun& run)
{
    // The template's own length leaves room for a selection of five digits;
    // a longer one (a hundred thousand families) gets the bytes it needs.
    std::size_t digits = 1;
    for (A_long rest = selection; rest >= 10; rest /= 10)
        ++digits;
    const std::size_t extra = digits > 5 ? digits - 5 : 0;
    run.script_handle = run.handles->host_new_handle(
        A_HandleSize(kDialogScriptTemplateLength + std::size_t(run.found.budget) + 1 + extra));
    if (!run.script_handle)
        return false;
    char* script = static_cast<char*>(*run.script_handle);
    script[0] = '\0';
    in_data->utils->ansi.sprintf(script, kDialogScriptTemplate, run.list_text, selection);
    // Unwritten, it would run as an empty script, whose value reads as the default entry.
    if (script[0] == '\0')
        return false;
    run.script_text = static_cast<const char*>(run.handles->host_lock_handle(run.script_handle));
    return run.script_text != nullptr;
}

// Shows the dialog and reads the script's value into `choice`; no value
// when the run, the result's lock or the result itself failed.
PF_Err run_dialog(const AEGP_SuiteHandler& suites, const char* script, std::optional<A_long>& choice)
{
    // Acquired first: once the script has run, its result must be freed.
    AEGP_MemorySuite1* memory = suites.MemorySuite1();
    AEGP_MemHandle result = nullptr;
    PF_Err err = suites.UtilitySuite5()->AEGP_ExecuteScript(G_my_plugin_id, script, false, &result,
                                                            nullptr);
    // A run or a lock that answers success without its result has no value
    // to give: as if the host had run out of memory.
    if (!result)
        return err ? err : PF_Err_OUT_OF_MEMORY;
    PF_Err lock_err = PF_Err_NONE;
    if (!err) {
        void* text = nullptr;
        lock_err = memory->AEGP_LockMemHandle(result, &text);
        if (!lock_err && !text)
            lock_err = PF_Err_OUT_OF_MEMORY;
        if (!lock_err)
            choice = std::atoi(static_cast<const char*>(text));
    }
    const PF_Err free_err = memory->AEGP_FreeMemHandle(result);
    return err ? err : lock_err ? lock_err : free_err;
}

// Writes `family` into the output record's sequence data. The new name is
// made before the old one goes, so a record never lacks a name of its own.
PF_Err store_family(const PF_InData* in_data, PF_OutData* out_data, const AEGP_SuiteHandler& suites,
                    const DialogRun& run, const char* family, bool is_default, PF_Err err)
{
    if (!out_data->sequence_data) {
        in_data->utils->ansi.strcpy(out_data->return_msg, "Font error.");
        out_data->out_flags |= PF_OutFlag_DISPLAY_ERROR_MESSAGE;
        return PF_Err_INTERNAL_STRUCT_DAMAGED;
    }
    if (err)
        return err;
    // A lock that gives no record still gets its unlock: the handle is the host's.
    auto* seq = static_cast<SeqData*>(run.handles->host_lock_handle(out_data->sequence_data));
    if (seq && InMemoryRecord(run.handles, out_data->sequence_data)) {
        char* name = new (std::nothrow) char[std::strlen(family) + 1]();
        if (name) {
            suites.ANSICallbacksSuite1()->strcpy(name, family);
            delete[] seq->font_name;
            seq->font_name = name;
            seq->use_default = is_default ? 1 : 0;
        } else {
            err = PF_Err_OUT_OF_MEMORY;
        }
    }
    run.handles->host_unlock_handle(out_data->sequence_data);
    return err;
}

} // namespace

PF_Err PopDialog(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* /*params*/[],
                 PF_LayerDef* /*output*/)
{
    AEGP_SuiteHandler suites(in_data->pica_basicP);
    PF_Err err = PF_Err_NONE;
    {
        DialogRun run;
        run.handles = suites.HandleSuite1();
        if (!build_family_list(suites, run) ||
            !build_script(in_data, initial_selection(in_data, run), run)) {
            err = PF_Err_OUT_OF_MEMORY;
        } else {
            std::optional<A_long> choice;
            err = run_dialog(suites, run.script_text, choice);
            const char* family = choice ? chosen_family(*choice, run.listed, run.listed_count,
                                                        GetStringPtr(StrID_Default_Font))
                                        : nullptr;
            if (family)
                err = store_family(in_data, out_data, suites, run, family, *choice == 0, err);
        }
    }
    out_data->out_flags |= PF_OutFlag_FORCE_RERENDER;
    return err;
}
