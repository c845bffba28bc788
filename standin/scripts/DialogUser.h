// The person in front of the stand-in host's dialogs: what they do when a
// script shows a window. Set by a test or the runner before the effect asks.
#pragma once

#include <string>
#include <utility>

namespace standin {

struct DialogUser {
    enum class Press {
        Cancel,        // closes the dialog with Cancel
        OkAtIndex,     // selects the drop-down entry at `index`, then OK
        OkWithText,    // selects the first entry whose text is `text`, then OK;
                       // cancels when there is none
        OkWithNothing, // clears the drop-down's selection, then OK
    };
    Press press = Press::Cancel;
    int index = -1;
    std::string text;

    static DialogUser cancel() { return {}; }
    static DialogUser ok_at(int index) { return {Press::OkAtIndex, index, {}}; }
    static DialogUser ok_with(std::string text) { return {Press::OkWithText, -1, std::move(text)}; }
    static DialogUser ok_with_nothing() { return {Press::OkWithNothing, -1, {}}; }
};

} // namespace standin
