#include "foundation/Foundation.h"
#include <gtest/gtest.h>
TEST(Smoke, Builds) { EXPECT_EQ(String("a").length(), 1u); }
