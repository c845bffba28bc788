// The host's script engine: runs a script's text in an embedded JavaScript
// engine (duktape) with the stand-in dialog classes, and asks the simulated
// user whenever a script shows a window.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "DialogUser.h"

namespace standin {

// One window that a script showed, and what the user did with it.
struct ShownDialog {
    std::vector<std::string> entries; // the drop-down's entries, as the window shows them
    int preselected = -1;             // the entry selected when it opened; -1 none
    bool ok = false;                  // closed with OK (else Cancel)
    int chosen = -1;                  // the entry selected at OK; -1 none
    bool text_not_found = false;      // the user looked for a text that no entry holds
};

// A script's end: its value as text (a number in decimal), or the engine's
// message when it failed to parse or threw.
struct ScriptOutcome {
    bool ok = false;
    std::string text;
};

class ScriptEngine {
public:
    void set_user(DialogUser user) { user_ = std::move(user); }
    const DialogUser& user() const { return user_; }

    // Runs `script` in a fresh engine; the value is that of its last
    // statement. Returns after every window it showed has been closed.
    ScriptOutcome run(std::string_view script);

    int runs() const { return runs_; }
    const std::string& last_script() const { return last_script_; }
    const ScriptOutcome& last_outcome() const { return last_outcome_; }
    // The last window shown by the last script; none when it showed none.
    const std::optional<ShownDialog>& last_dialog() const { return last_dialog_; }

    // The user's answer to a window; called by the dialog classes.
    void answer(ShownDialog& dialog);

private:
    ScriptOutcome evaluate(std::string_view script);

    DialogUser user_;
    int runs_ = 0;
    std::string last_script_;
    ScriptOutcome last_outcome_;
    std::optional<ShownDialog> last_dialog_;
};

} // namespace standin
