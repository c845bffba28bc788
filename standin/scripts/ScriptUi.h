// The stand-in for the host's dialog classes, as script text that the
// script engine runs before every script.
#pragma once

namespace standin {

// A function expression of (global, ask): defines `Window` on global, with
// groups, static texts, buttons and drop-down lists. Window.show() calls
// ask(entry texts of the first drop-down list, its selected index or -1),
// which answers [1 for OK or 2 for Cancel, the index to select or -1].
extern const char kScriptUiPrelude[];

} // namespace standin
