// The font name that cannot be allocated. This program replaces the array
// allocation functions for the whole process, the loaded effect included
// (it exports them), so that one nothrow array allocation can be refused.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

#include "FontDialogFixture.h"

namespace {
bool g_refuse_next_nothrow_array = false;
}

void* operator new[](std::size_t size)
{
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    if (g_refuse_next_nothrow_array) {
        g_refuse_next_nothrow_array = false;
        return nullptr;
    }
    return std::malloc(size ? size : 1);
}

void operator delete[](void* p) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace {

using standin::DialogUser;

TEST_F(FontDialogTest, NameThatCannotBeAllocatedLeavesTheRecordAsItWas)
{
    set_font("DejaVu Sans", false);
    g_refuse_next_nothrow_array = true;
    EXPECT_EQ(press(DialogUser::ok_at(0)), PF_Err_OUT_OF_MEMORY);
    EXPECT_FALSE(g_refuse_next_nothrow_array) << "the effect allocated no name";
    EXPECT_EQ(font(), "DejaVu Sans");
    EXPECT_EQ(record()->use_default, 0);
    EXPECT_TRUE(flagged(PF_OutFlag_FORCE_RERENDER));
    EXPECT_FALSE(flagged(PF_OutFlag_DISPLAY_ERROR_MESSAGE));

    // The next press has memory again.
    EXPECT_EQ(press(DialogUser::ok_with("DejaVu Serif")), PF_Err_NONE);
    EXPECT_EQ(font(), "DejaVu Serif");
    ExpectOnlyTheRecordHeld();
}

} // namespace
