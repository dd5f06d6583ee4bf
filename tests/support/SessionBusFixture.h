#pragma once

#include "PrivateSessionBus.h"
#include "foundation/SessionBus.h"

#include <gtest/gtest.h>

// Each test on a private bus of its own, this process connected to it.
class SessionBusFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(bus_.running()) << bus_.error();
        ASSERT_TRUE(SessionBus::connect(bus_.address()));
    }
    void TearDown() override { SessionBus::disconnect(); }

    PrivateSessionBus bus_;
};
