#include "foundation/NSThread.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

TEST(NSThreadTest, TestsRunOnTheMainThread)
{
    EXPECT_TRUE(NSThread::isMainThread());
    bool other = true;
    std::thread([&] { other = NSThread::isMainThread(); }).join();
    EXPECT_FALSE(other);
}

}  // namespace
