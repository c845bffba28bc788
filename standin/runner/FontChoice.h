// The "Choose Font..." button, pressed from the runner.
#pragma once

#include <string>

#include "Host.h"

namespace runner {

// The button's parameter index.
constexpr PF_ParamIndex kFontButton = 3;

// Presses the font button as a user who picks `family` from the dialog
// ("default" picks the "**Default**" entry), so that the instance's
// sequence data holds it. Empty on success, else a message for the user.
std::string choose_font(standin::Host& host, const std::string& family);

// Presses the font button as a user who cancels. Empty on success, else a
// message for the user; host.scripts().last_dialog() holds what it showed.
std::string show_font_dialog(standin::Host& host);

// A drop-down entry as one printable line: control characters escaped.
std::string printable_entry(const std::string& entry);

} // namespace runner
