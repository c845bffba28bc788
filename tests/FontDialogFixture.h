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
    std::string font() { return record()->font_name ? record()->font_name : "(null)"; }
    void set_font(const std::string& family, bool use_default)
    {
        delete[] record()->font_name;
        record()->font_name = new char[family.size() + 1];
        std::memcpy(record()->font_name, family.c_str(), family.size() + 1);
        record()->use_default = use_default ? 1 : 0;
    }

    // Presses the font button (or parameter `index`) with fresh output
    // flags and an empty ledger, as `user` sitting in front of the dialog.
    PF_Err press(standin::DialogUser user, PF_ParamIndex index = 3)
    {
        host.scripts().set_user(std::move(user));
        host.out_data().out_flags = 0;
        host.out_data().return_msg[0] = '\0';
        host.ledger().clear();
        return standin::user_changed_param(host, index);
    }
    const standin::ShownDialog& shown()
    {
        static const standin::ShownDialog kNone;
        const auto& dialog = host.scripts().last_dialog();
        EXPECT_TRUE(dialog.has_value()) << "no dialog was shown";
        return dialog ? *dialog : kNone;
    }
    // The entry that shows `family` in the last dialog; -1 when none does.
    int entry_of(const std::string& family)
    {
        const auto& e = shown().entries;
        const auto it = std::find(e.begin(), e.end(), family);
        return it == e.end() ? -1 : int(it - e.begin());
    }
    bool flagged(PF_OutFlags flag) { return (host.out_data().out_flags & flag) != 0; }
    // Nothing held but the sequence record's handle, and no misuse.
    void ExpectOnlyTheRecordHeld()
    {
        ExpectBalanced();
        EXPECT_EQ(host.handles().live_count(), 1);
        EXPECT_EQ(host.handles().locks(seq_handle), 0);
    }

    PF_Handle seq_handle = nullptr;
};
