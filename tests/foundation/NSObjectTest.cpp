#include "foundation/Foundation.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A small observable class: "name" notifies automatically, "count" manually,
// "child" holds another object, and "title" depends on "name" and "child.name".
class Node : public NSObject {
    KS_OBJECT(Node, NSObject)
public:
    String name() const { return name_; }
    void setName(const String& name)
    {
        automaticChange("name", [&] { name_ = name; });
    }
    int count() const { return count_; }
    void setCount(int count)
    {
        if (count == count_)
            return;
        willChangeValueForKey("count");
        count_ = count;
        didChangeValueForKey("count");
    }
    std::shared_ptr<Node> child() const { return child_; }
    void setChild(std::shared_ptr<Node> child)
    {
        automaticChange("child", [&] { child_ = std::move(child); });
    }
    String title() const { return name_.appending("/").appending(child_ ? child_->name() : String("-")); }

    bool automaticallyNotifiesObserversForKey(const String& key) const override
    {
        return key == "count" ? false : NSObject::automaticallyNotifiesObserversForKey(key);
    }
    std::vector<String> keyPathsForValuesAffectingValueForKey(const String& key) const override
    {
        if (key == "title")
            return {"name", "child.name"};
        return {};
    }

protected:
    static void describe(ClassDescriptor& d)
    {
        d.property<Node>(
            "name", [](Node& n) { return Id(n.name()); },
            [](Node& n, const Id& v) { n.setName(v.string() ? *v.string() : String()); });
        d.property<Node>(
            "count", [](Node& n) { return Id::number(n.count()); },
            [](Node& n, const Id& v) { n.setCount(static_cast<int>(v.integerValue())); });
        d.property<Node>("child", [](Node& n) { return Id(n.child()); });
        d.property<Node>("title", [](Node& n) { return Id(n.title()); });
        d.method<Node>("ping", ReturnKind::Boolean, [](Node&, std::span<const Id>) { return Id::boolean(true); });
    }

private:
    String name_;
    int count_ = 0;
    std::shared_ptr<Node> child_;
};

class SubNode : public Node {
    KS_OBJECT(SubNode, Node)
};

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

TEST(NSObjectTest, ClassIdentityFollowsTheDescriptorChain)
{
    auto sub = std::make_shared<SubNode>();
    EXPECT_EQ(sub->className(), String("SubNode"));
    EXPECT_TRUE(sub->isKindOf<Node>());
    EXPECT_TRUE(sub->isKindOf<NSObject>());
    EXPECT_FALSE(sub->isMemberOfClass(Node::descriptor()));
    EXPECT_FALSE(std::make_shared<Node>()->isKindOf<SubNode>());
    // The subclass registers nothing, so it finds the very method of its superclass.
    EXPECT_EQ(sub->methodForSelector("ping"), std::make_shared<Node>()->methodForSelector("ping"));
    EXPECT_TRUE(sub->respondsToSelector("ping"));
    EXPECT_FALSE(sub->respondsToSelector("pong:"));
    EXPECT_TRUE(sub->performSelector("ping").boolValue());
    EXPECT_THROW(sub->performSelector("pong:"), NSException);
}

TEST(NSObjectTest, KeyValueCodingReadsWritesAndRefusesUnknownKeys)
{
    auto node = std::make_shared<Node>();
    node->setValueForKey("a", "name");
    node->setChild(std::make_shared<Node>());
    node->setValueForKeyPath("b", "child.name");
    EXPECT_EQ(node->valueForKeyPath("child.name"), Id("b"));
    EXPECT_EQ(node->valueForKey("title"), Id("a/b"));
    try {
        node->valueForKey("missing");
        FAIL() << "no exception";
    } catch (const NSException& e) {
        EXPECT_EQ(e.name(), NSUndefinedKeyException);
    }
    Dictionary d{{"x", Dictionary{{"y", Id::number(3)}}}};
    EXPECT_EQ(valueForKeyPath(Id(d), "x.y"), Id::number(3));
    EXPECT_TRUE(valueForKeyPath(Id(d), "x.z").isNil());
}

TEST(NSObjectTest, NotificationsCarryOldNewAndPriorInOrder)
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

TEST(NSObjectTest, ObserversAreToldInTheOrderTheyWereAdded)
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

TEST(NSObjectTest, NestedChangesPairTheirOldValues)
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

TEST(NSObjectTest, ManualKeysAreNotAnnouncedTwiceAndSetValueUsesTheSetter)
{
    auto node = std::make_shared<Node>();
    auto recorder = std::make_shared<Recorder>();
    node->addObserver(*recorder, "count", NSKeyValueObservingOptionNew, nullptr);
    node->setValueForKey(Id::number(5), "count");
    node->setValueForKey(Id::number(5), "count");  // unchanged: the setter returns early
    EXPECT_EQ(recorder->log(), (std::vector<std::string>{"r count new=5"}));
}

TEST(NSObjectTest, KeyPathsFollowReplacedIntermediateObjects)
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

TEST(NSObjectTest, DependentKeysAnnounceTheirDependents)
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

TEST(NSObjectTest, ObserversRemovedOrAddedDuringDeliveryFollowTheSnapshot)
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

TEST(NSObjectTest, RemovedAndReleasedObserversReceiveNothing)
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

TEST(NSObjectTest, ObservationTokenEndsWithItsScope)
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

TEST(NSObjectTest, AnObservedObjectMayDieBeforeItsObserver)
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
    EXPECT_NE(handler->files[0].find("NSObjectTest"), std::string::npos);
    EXPECT_THROW(NSParameterAssert(false), NSException);  // the scope put the default back
}

TEST(LogTest, LevelsValuesAndActivities)
{
    ScopedLogCapture capture(false);
    Log::debug("hidden %d", 1);
    {
        LogActivity outer("-[Outer run]");
        LogActivity inner("Key Code -> Symbol");
        Log::write(LogLevel::Error, {{"keyCode", Id::number(5)}}, "#Error %s", "bad");
    }
    Log::setDebugEnabled(true);
    Log::debug("shown");
    auto entries = capture.sink().entries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].level, LogLevel::Error);
    EXPECT_EQ(entries[0].text, "#Error bad");
    EXPECT_EQ(entries[0].values.at(0).first, "keyCode");
    EXPECT_EQ(entries[0].activities, (std::vector<std::string>{"-[Outer run]", "Key Code -> Symbol"}));
    EXPECT_TRUE(capture.sink().contains(LogLevel::Debug, "shown"));
    EXPECT_TRUE(LogActivity::current().empty());
}

TEST(NSThreadTest, TestsRunOnTheMainThread)
{
    EXPECT_TRUE(NSThread::isMainThread());
    bool other = true;
    std::thread([&] { other = NSThread::isMainThread(); }).join();
    EXPECT_FALSE(other);
}

}  // namespace
