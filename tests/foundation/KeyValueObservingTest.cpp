#include "TestNode.h"
#include "foundation/Foundation.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using test_objects::Node;

// Writes every notification it gets as one line of text.
class Recorder : public NSObject {
    KS_OBJECT(Recorder, NSObject)
public:
    explicit Recorder(std::string label = "r", std::vector<std::string>* log = nullptr)
        : label_(std::move(label))
        , log_(log ? log : &own_)
    {
    }
    void observeValueForKeyPath(const String& keyPath, NSObject*, const KeyValueChange& change, void* context) override
    {
        std::string line = label_ + " " + keyPath.utf8();
        if (change.isPrior)
            line += " prior";
        if (change.hasOld)
            line += " old=" + change.oldValue.description().utf8();
        if (change.hasNew)
            line += " new=" + change.newValue.description().utf8();
        if (context)
            line += " ctx";
        log_->push_back(line);
        if (onNotify)
            onNotify();
    }
    const std::vector<std::string>& log() const { return *log_; }
    std::function<void()> onNotify;

private:
    std::string label_;
    std::vector<std::string> own_;
    std::vector<std::string>* log_;
};

constexpr unsigned NewOld = NSKeyValueObservingOptionNew | NSKeyValueObservingOptionOld;
int contextTag;

TEST(KeyValueObservingTest, NotificationsCarryOldNewAndPriorInOrder)
{
    auto node = std::make_shared<Node>();
    node->setName("a");
    auto recorder = std::make_shared<Recorder>();
    node->addObserver(*recorder, "name", NewOld | NSKeyValueObservingOptionPrior | NSKeyValueObservingOptionInitial,
                      &contextTag);
    node->setName("b");
    EXPECT_EQ(recorder->log(),
              (std::vector<std::string>{"r name new=a ctx", "r name prior old=a ctx", "r name old=a new=b ctx"}));
}

TEST(KeyValueObservingTest, ObserversAreToldInTheOrderTheyWereAdded)
{
    std::vector<std::string> log;
    auto node = std::make_shared<Node>();
    auto first = std::make_shared<Recorder>("first", &log);
    auto second = std::make_shared<Recorder>("second", &log);
    node->addObserver(*first, "name", NSKeyValueObservingOptionNew, nullptr);
    node->addObserver(*second, "name", NSKeyValueObservingOptionNew, nullptr);
    node->setName("x");
    EXPECT_EQ(log, (std::vector<std::string>{"first name new=x", "second name new=x"}));
}

TEST(KeyValueObservingTest, NestedChangesPairTheirOldValues)
{
    auto node = std::make_shared<Node>();
    node->setCount(1);
    auto recorder = std::make_shared<Recorder>();
    node->addObserver(*recorder, "count", NewOld, nullptr);
    node->willChangeValueForKey("count");
    node->setCount(2);  // its own will/did pair inside the outer one
    node->didChangeValueForKey("count");
    EXPECT_EQ(recorder->log(), (std::vector<std::string>{"r count old=1 new=2", "r count old=1 new=2"}));
}

TEST(KeyValueObservingTest, ManualKeysAreNotAnnouncedTwiceAndSetValueUsesTheSetter)
{
    auto node = std::make_shared<Node>();
    auto recorder = std::make_shared<Recorder>();
    node->addObserver(*recorder, "count", NSKeyValueObservingOptionNew, nullptr);
    node->setValueForKey(Id::number(5), "count");
    node->setValueForKey(Id::number(5), "count");  // unchanged: the setter returns early
    EXPECT_EQ(recorder->log(), (std::vector<std::string>{"r count new=5"}));
}

TEST(KeyValueObservingTest, KeyPathsFollowReplacedIntermediateObjects)
{
    auto root = std::make_shared<Node>();
    auto a = std::make_shared<Node>();
    a->setName("a");
    root->setChild(a);
    auto recorder = std::make_shared<Recorder>();
    root->addObserver(*recorder, "child.name", NewOld, nullptr);

    auto b = std::make_shared<Node>();
    b->setName("b");
    root->setChild(b);
    a->setName("ignored");  // no longer on the path
    b->setName("b2");
    root->setChild(nullptr);
    EXPECT_EQ(recorder->log(), (std::vector<std::string>{"r child.name old=a new=b", "r child.name old=b new=b2",
                                                         "r child.name old=b2 new=<null>"}));
}

TEST(KeyValueObservingTest, DependentKeysAnnounceTheirDependents)
{
    auto node = std::make_shared<Node>();
    node->setName("n");
    auto child = std::make_shared<Node>();
    node->setChild(child);
    auto recorder = std::make_shared<Recorder>();
    node->addObserver(*recorder, "title", NSKeyValueObservingOptionNew, nullptr);
    node->setName("m");
    child->setName("c");
    EXPECT_EQ(recorder->log(), (std::vector<std::string>{"r title new=m/", "r title new=m/c"}));
}

TEST(KeyValueObservingTest, ObserversRemovedOrAddedDuringDeliveryFollowTheSnapshot)
{
    std::vector<std::string> log;
    auto node = std::make_shared<Node>();
    auto first = std::make_shared<Recorder>("first", &log);
    auto second = std::make_shared<Recorder>("second", &log);
    auto late = std::make_shared<Recorder>("late", &log);
    first->onNotify = [&] {
        node->removeObserver(*second, "name");
        node->addObserver(*late, "name", NSKeyValueObservingOptionNew, nullptr);
        first->onNotify = nullptr;
    };
    node->addObserver(*first, "name", NSKeyValueObservingOptionNew, nullptr);
    node->addObserver(*second, "name", NSKeyValueObservingOptionNew, nullptr);
    node->setName("x");
    node->setName("y");
    EXPECT_EQ(log, (std::vector<std::string>{"first name new=x", "first name new=y", "late name new=y"}));
}

TEST(KeyValueObservingTest, RemovedAndReleasedObserversReceiveNothing)
{
    auto node = std::make_shared<Node>();
    auto removed = std::make_shared<Recorder>();
    node->addObserver(*removed, "name", NSKeyValueObservingOptionNew, &contextTag);
    node->removeObserver(*removed, "name", &contextTag);
    EXPECT_THROW(node->removeObserver(*removed, "name", &contextTag), NSException);

    std::vector<std::string> log;
    auto released = std::make_shared<Recorder>("gone", &log);
    node->addObserver(*released, "name", NSKeyValueObservingOptionNew, nullptr);
    std::weak_ptr<Recorder> weak = released;
    released.reset();
    EXPECT_TRUE(weak.expired());
    node->setName("x");
    EXPECT_TRUE(removed->log().empty());
    EXPECT_TRUE(log.empty());
}

TEST(KeyValueObservingTest, ObservationTokenEndsWithItsScope)
{
    auto node = std::make_shared<Node>();
    std::vector<Id> seen;
    {
        auto token = observe(*node, "name", NSKeyValueObservingOptionNew | NSKeyValueObservingOptionInitial,
                             [&](const KeyValueChange& change) { seen.push_back(change.newValue); });
        node->setName("a");
    }
    node->setName("b");
    EXPECT_EQ(seen, (std::vector<Id>{Id(""), Id("a")}));
}

TEST(KeyValueObservingTest, AnObservedObjectMayDieBeforeItsObserver)
{
    auto recorder = std::make_shared<Recorder>();
    auto child = std::make_shared<Node>();
    {
        auto root = std::make_shared<Node>();
        root->setChild(child);
        root->addObserver(*recorder, "child.name", NSKeyValueObservingOptionNew, nullptr);
    }
    child->setName("after");  // the registration died with its root
    EXPECT_TRUE(recorder->log().empty());
}

}  // namespace
