// A loaded effect after global setup whose instance holds an in-memory
// sequence record in a host handle, and a font button to press.
#pragma once

#include <algorithm>
#include <cstring>
#include <string>

#include "EffectFixture.h"
#include "ParamChange.h"
#include "SequenceData.h"

class FontDialogTest : public EffectTest {
protected:
    explicit FontDialogTest(A_u_long appl_id = PF_ApplId_AFTER_EFFECTS) : EffectTest(appl_id) {}
    void SetUp() override
    {
        EffectTest::SetUp();
        ASSERT_EQ(host.global_setup(), PF_Err_NONE);
        seq_handle = host.handles().create(sizeof(SeqData));
        *record() = SeqData{0, nullptr, 0};
        set_font("Arial", true);
        host.in_data().sequence_data = host.out_data().sequence_data = seq_handle;
    }
    void TearDown() override
    {
        delete[] record()->font_name;
        host.handles().destroy(seq_handle);
    }

    SeqData* record() { return static_cast<SeqData*>(*seq_handle); }
    std::string font() { return record()->font_name; }
    void set_font(const std::string& family, bool use_default)
    {
        delete[] record()->font_name;
        record()->font_name = std::strcpy(new char[family.size() + 1], family.c_str());
        record()->use_default = use_default;
    }
    // Presses parameter `index` (the font button) as `user`, with fresh
    // output flags and message and an empty ledger.
    PF_Err press(standin::DialogUser user, PF_ParamIndex index = 3)
    {
        host.scripts().set_user(std::move(user));
        host.out_data().out_flags = 0;
        host.out_data().return_msg[0] = '\0';
        host.ledger().clear();
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
    bool flagged(PF_OutFlags flag) { return (host.out_data().out_flags & flag) != 0; }
    // Nothing held but the record's handle, unlocked, and no misuse.
    void ExpectOnlyTheRecordHeld()
    {
        ExpectBalanced();
        EXPECT_EQ(host.handles().live_count(), 1);
        EXPECT_EQ(host.handles().locks(seq_handle), 0);
    }

    PF_Handle seq_handle = nullptr;
};
