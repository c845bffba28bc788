// Fault injection by call name and call number: "the 2nd call of
// inter.get_audio_data fails with 4", "PF Handle Suite v2.new gives null
// from its 3rd call on".
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "PF_Types.h"

namespace standin {

struct Fault {
    PF_Err code = PF_Err_NONE; // the error to answer with (0 with null_result)
    bool null_result = false;  // answer "success" but with a null pointer/handle
};

class Faults {
public:
    // The nth call (from 1) of `name` fails; with from_on, every call from it.
    void fail(std::string name, int nth, PF_Err code, bool from_on = false);
    void give_null(std::string name, int nth, bool from_on = false);
    // Counts one call of `name` and says whether it is to fail.
    std::optional<Fault> next(std::string_view name);
    // How often `name` has been called since the last clear.
    int calls(std::string_view name) const;
    void clear();

private:
    struct Rule {
        std::string name;
        int nth;
        bool from_on;
        Fault fault;
    };
    std::vector<Rule> rules_;
    std::map<std::string, int, std::less<>> counts_;
};

} // namespace standin
