#include <gtest/gtest.h>

#include "Host.h"

TEST(Smoke, LoadsAndRegisters)
{
    standin::Host host({MARROWTICK_MODULE_PATH});
    ASSERT_EQ(host.load(), 0);
    EXPECT_EQ(host.module().registration().name, "Marrowtick");
    EXPECT_EQ(host.global_setup(), 0);
    EXPECT_EQ(host.about(), 0);
    EXPECT_EQ(host.held(), "");
}
