#include "foundation/NSException.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

TEST(NSExceptionTest, DefaultAssertionHandlerRaisesAndAnInstalledOneMayReturn)
{
    try {
        NSParameterAssert(1 == 2);
        FAIL() << "no exception";
    } catch (const NSException& e) {
        EXPECT_EQ(e.name(), NSInternalInconsistencyException);
        EXPECT_EQ(e.reason(), String("Invalid parameter not satisfying: 1 == 2"));
    }

    struct Counting : NSAssertionHandler {
        void handleFailure(const char*, const char* file, int, const String& description) override
        {
            files.push_back(file);
            descriptions.push_back(description);
        }
        std::vector<std::string> files;
        std::vector<String> descriptions;
    };
    auto handler = std::make_shared<Counting>();
    bool wentOn = false;
    {
        ScopedAssertionHandler scope(handler);
        NSParameterAssert(false);
        wentOn = true;
    }
    EXPECT_TRUE(wentOn);
    ASSERT_EQ(handler->descriptions.size(), 1u);
    EXPECT_EQ(handler->descriptions[0], String("Invalid parameter not satisfying: false"));
    EXPECT_NE(handler->files[0].find("NSExceptionTest"), std::string::npos);
    EXPECT_THROW(NSParameterAssert(false), NSException);  // the scope put the default back
}

}  // namespace
