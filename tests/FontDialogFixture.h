// A live effect instance in the stand-in host, and its font button.
#pragma once

#include <algorithm>
#include <string>

#include "EffectFixture.h"
#include "ParamChange.h"
#include "SequenceRecord.h"

class FontDialogTest : public EffectTest {
protected:
    explicit FontDialogTest(A_u_long appl_id = PF_ApplId_AFTER_EFFECTS) : EffectTest(appl_id) {}
    void SetUp() override
    {
        EffectTest::SetUp();
        ASSERT_EQ(host.create_instance(), PF_Err_NONE);
    }
    void TearDown() override { EXPECT_EQ(host.destroy_instance(), PF_Err_NONE); }

    std::string font() { return Record(host).font_name; }
    // Presses parameter `index` (the font button) as `user`, with fresh
    // output flags and message and an empty ledger.
    PF_Err press(standin::DialogUser user, PF_ParamIndex index = 3)
    {
        host.scripts().set_user(std::move(user));
        host.out_data().out_flags = 0;
        host.out_data().return_msg[0] = '\0';
        host.clear_ledger();
        return standin::user_changed_param(host, index);
    }
    int preselected() { return host.scripts().last_dialog().value_or(standin::ShownDialog{}).preselected; }
    // The entry of the last dialog that shows `family`; -1 when none does.
    int entry_of(const std::string& family)
    {
        const auto entries = host.scripts().last_dialog().value_or(standin::ShownDialog{}).entries;
        const auto it = std::find(entries.begin(), entries.end(), family);
        return it == entries.end() ? -1 : int(it - entries.begin());
    }
    bool flagged(PF_OutFlags flag) { return (host.out_data().out_flags & flag) == flag; }
};
