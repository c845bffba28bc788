#include "ScriptEngine.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <utility>

#include <duktape.h>

#include "ScriptUi.h"

namespace standin {
namespace {

[[noreturn]] void engine_fatal(void*, const char* msg)
{
    std::fprintf(stderr, "stand-in script engine: fatal error: %s\n", msg ? msg : "");
    std::abort();
}

ScriptEngine& engine_of(duk_context* ctx)
{
    duk_memory_functions funcs;
    duk_get_memory_functions(ctx, &funcs);
    return *static_cast<ScriptEngine*>(funcs.udata);
}

// Reads what the window shows and gets the user's answer: {1 OK or 2
// Cancel, the index to select}. The array's entries are plain data
// properties that the dialog classes made, so no read here throws.
std::pair<int, int> show_to_user(duk_context* ctx)
{
    ShownDialog dialog;
    const duk_size_t n = duk_is_array(ctx, 0) ? duk_get_length(ctx, 0) : 0;
    for (duk_size_t i = 0; i < n; ++i) {
        duk_get_prop_index(ctx, 0, duk_uarridx_t(i));
        duk_size_t len = 0;
        const char* text = duk_get_lstring(ctx, -1, &len);
        dialog.entries.emplace_back(text ? text : "", text ? len : 0);
        duk_pop(ctx);
    }
    dialog.preselected = duk_get_int_default(ctx, 1, -1);
    engine_of(ctx).answer(dialog);
    return {dialog.ok ? 1 : 2, dialog.chosen};
}

// ask(texts, preselected) of the dialog classes. Duktape reports errors by
// longjmp, so no C++ object is alive while it may raise one.
duk_ret_t ask_user(duk_context* ctx)
{
    const auto [result, chosen] = show_to_user(ctx);
    duk_push_array(ctx);
    duk_push_int(ctx, result);
    duk_put_prop_index(ctx, -2, 0);
    duk_push_int(ctx, chosen);
    duk_put_prop_index(ctx, -2, 1);
    return 1;
}

struct HeapDeleter {
    void operator()(duk_context* ctx) const { duk_destroy_heap(ctx); }
};

// The value or error on top of the stack, as text.
std::string top_text(duk_context* ctx)
{
    duk_size_t len = 0;
    const char* text = duk_safe_to_lstring(ctx, -1, &len);
    return std::string(text, len);
}

} // namespace

void ScriptEngine::answer(ShownDialog& dialog)
{
    const auto count = static_cast<int>(dialog.entries.size());
    switch (user_.press) {
    case DialogUser::Press::Cancel:
        break;
    case DialogUser::Press::OkAtIndex:
        dialog.ok = true;
        dialog.chosen = user_.index >= 0 && user_.index < count ? user_.index : -1;
        break;
    case DialogUser::Press::OkWithText: {
        auto it = std::find(dialog.entries.begin(), dialog.entries.end(), user_.text);
        dialog.text_not_found = it == dialog.entries.end();
        dialog.ok = !dialog.text_not_found;
        dialog.chosen = dialog.ok ? static_cast<int>(it - dialog.entries.begin()) : -1;
        break;
    }
    case DialogUser::Press::OkWithNothing:
        dialog.ok = true;
        break;
    }
    last_dialog_ = dialog;
}

ScriptOutcome ScriptEngine::run(std::string_view script)
{
    ++runs_;
    last_script_ = script;
    last_dialog_.reset();
    last_outcome_ = evaluate(script);
    return last_outcome_;
}

ScriptOutcome ScriptEngine::evaluate(std::string_view script)
{
    std::unique_ptr<duk_context, HeapDeleter> heap(
        duk_create_heap(nullptr, nullptr, nullptr, this, engine_fatal));
    duk_context* ctx = heap.get();
    if (!ctx)
        return {false, "the script engine could not start"};

    // The dialog classes first; `ask` reaches the script only through them.
    if (duk_peval_string(ctx, kScriptUiPrelude) != 0)
        return {false, "dialog classes: " + top_text(ctx)};
    duk_push_global_object(ctx);
    duk_push_c_function(ctx, ask_user, 2);
    if (duk_pcall(ctx, 2) != 0)
        return {false, "dialog classes: " + top_text(ctx)};
    duk_pop(ctx);

    const bool ok = duk_peval_lstring(ctx, script.data(), script.size()) == 0;
    return {ok, top_text(ctx)};
}

} // namespace standin
