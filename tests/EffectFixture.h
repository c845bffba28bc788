// A loaded effect in a fresh stand-in host, for tests that drive EffectMain.
#pragma once

#include <gtest/gtest.h>

#include "TestHost.h"

class EffectTest : public ::testing::Test {
protected:
    explicit EffectTest(A_u_long appl_id = PF_ApplId_AFTER_EFFECTS)
        : host({MARROWTICK_MODULE_PATH, appl_id})
    {
    }
    void SetUp() override { ASSERT_EQ(host.load(), PF_Err_NONE); }
    // Nothing acquired stays acquired, and the host saw no misuse.
    void ExpectBalanced()
    {
        EXPECT_EQ(host.held(), "");
        EXPECT_EQ(host.ledger().first_misuse(), "");
    }

    TestHost host;
};
