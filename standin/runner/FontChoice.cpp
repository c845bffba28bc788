#include "FontChoice.h"

#include <strings.h>

#include <algorithm>
#include <cstdio>

#include "ParamChange.h"

namespace runner {
namespace {

std::string press_font_button(standin::Host& host, standin::DialogUser user)
{
    host.scripts().set_user(std::move(user));
    const int runs_before = host.scripts().runs();
    host.out_data().out_flags = 0;
    host.out_data().return_msg[0] = '\0';
    const PF_Err err = standin::user_changed_param(host, kFontButton);
    std::string why;
    if (host.out_data().out_flags & PF_OutFlag_DISPLAY_ERROR_MESSAGE)
        why = std::string(" (") + host.out_data().return_msg + ")";
    if (err)
        return "the font button failed with error " + std::to_string(err) + why;
    if (host.scripts().runs() == runs_before || !host.scripts().last_dialog())
        return "the effect showed no font dialog" +
               std::string(host.in_data().appl_id == PF_ApplId_PREMIERE
                               ? ": the font button does nothing under Premiere Pro"
                               : "");
    return {};
}

} // namespace

std::string show_font_dialog(standin::Host& host)
{
    return press_font_button(host, standin::DialogUser::cancel());
}

std::string choose_font(standin::Host& host, const std::string& family)
{
    const bool by_default = family == "default";
    std::string err = press_font_button(host, by_default ? standin::DialogUser::ok_at(0)
                                                         : standin::DialogUser::ok_with(family));
    if (err.empty() && host.scripts().last_dialog()->text_not_found) {
        err = "no font family \"" + printable_entry(family) + "\" in the font dialog";
        // The dialog's families are sorted without regard to case: so is a near miss.
        const std::vector<std::string>& entries = host.scripts().last_dialog()->entries;
        const auto same = std::find_if(entries.begin(), entries.end(), [&](const std::string& entry) {
            return strcasecmp(entry.c_str(), family.c_str()) == 0;
        });
        err += same != entries.end() ? "; did you mean \"" + printable_entry(*same) + "\"?"
                                     : "; run `marrowtick fonts` to list them";
    }
    return err;
}

std::string printable_entry(const std::string& entry)
{
    std::string out;
    for (unsigned char c : entry) {
        if (c == '\n') {
            out += "\\n";
        } else if (c == '\\') {
            out += "\\\\";
        } else if (c < 0x20 || c == 0x7F) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", c);
            out += buf;
        } else {
            out += char(c);
        }
    }
    return out;
}

} // namespace runner
