#include "reactive/KeyValueObservation.h"

#include "TemporaryFolder.h"
#include "foundation/NSUserDefaults.h"
#include "reactive/DisposeBag.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class KeyValueObservationTest : public ::testing::Test {
protected:
    void SetUp() override { defaults_ = NSUserDefaults::create(String(home_.path()), "com.kestrova.tests.stream"); }

    TemporaryFolder home_;
    std::shared_ptr<NSUserDefaults> defaults_;
};

TEST_F(KeyValueObservationTest, ABooleanDefaultStartsWithItsCurrentValueAndFollowsChanges)
{
    std::vector<std::optional<bool>> seen;
    reactive::DisposeBag bag;
    reactive::observeBoolean(defaults_, "rememberShortcuts")
        .bind([&](const std::optional<bool>& v) { seen.push_back(v); })
        .disposed(bag);

    defaults_->setBool(true, "rememberShortcuts");
    defaults_->setObject(Id("yes"), "rememberShortcuts");  // not a Boolean: empty
    defaults_->setBool(false, "rememberShortcuts");
    defaults_->removeObjectForKey("rememberShortcuts");
    EXPECT_EQ(seen, (std::vector<std::optional<bool>>{std::nullopt, true, std::nullopt, false, std::nullopt}));
}

TEST_F(KeyValueObservationTest, DisposingStopsTheObservation)
{
    defaults_->setBool(true, "miniMode");
    std::vector<Id> seen;
    {
        reactive::DisposeBag bag;
        reactive::observeValue(defaults_, "miniMode").bind([&](const Id& v) { seen.push_back(v); }).disposed(bag);
    }
    defaults_->setBool(false, "miniMode");
    EXPECT_EQ(seen, (std::vector<Id>{Id::boolean(true)}));
}

}  // namespace
