#include "foundation/NSNotificationCenter.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/CFNotificationCenter.h"
#include "foundation/NSDistributedNotificationCenter.h"
#include "foundation/NSRunLoop.h"
#include "foundation/ScopedVirtualClock.h"

using testing::ElementsAre;

namespace {

// An observer with a one-argument and a no-argument method; each writes its
// label and what it got into a shared log.
class Listener : public NSObject {
    KS_OBJECT(Listener, NSObject)
public:
    Listener(std::string label, std::vector<std::string>& log)
        : label(std::move(label))
        , log(&log)
    {
    }
    std::string label;
    std::vector<std::string>* log;

protected:
    static void describe(ClassDescriptor& d)
    {
        d.method<Listener>("handle:", ReturnKind::Void, [](Listener& l, std::span<const Id> arguments) {
            auto notification = arguments[0].object<NSNotification>();
            l.log->push_back(l.label + " " + notification->name().utf8());
            return Id();
        });
        d.method<Listener>("terminate", ReturnKind::Void, [](Listener& l, std::span<const Id>) {
            l.log->push_back(l.label + " terminate");
            return Id();
        });
    }
};

class SomeObject : public NSObject {
    KS_OBJECT(SomeObject, NSObject)
};

}  // namespace

TEST(NSNotificationCenterTest, ObserversFilterByNameAndObject)
{
    NSNotificationCenter center;
    auto sender = std::make_shared<SomeObject>();
    auto other = std::make_shared<SomeObject>();
    struct Case {
        const char* label;
        std::optional<String> name;
        Id object;
    };
    const Case cases[] = {
        {.label = "any", .name = std::nullopt, .object = Id()},
        {.label = "named", .name = String("A"), .object = Id()},
        {.label = "from sender", .name = std::nullopt, .object = sender},
        {.label = "A from sender", .name = String("A"), .object = sender},
        {.label = "A from string", .name = String("A"), .object = "com.example"},
    };
    std::vector<std::string> log;
    std::vector<std::shared_ptr<NSObject>> tokens;
    for (const Case& c : cases) {
        std::string label = c.label;
        tokens.push_back(center.addObserverForName(
            c.name, c.object, [&log, label](NSNotification& n) { log.push_back(label + ": " + n.name().utf8()); }));
    }

    struct Post {
        const char* name;
        Id object;
        std::vector<std::string> expected;
    };
    const Post posts[] = {
        {.name = "A", .object = sender, .expected = {"any: A", "named: A", "from sender: A", "A from sender: A"}},
        {.name = "B", .object = sender, .expected = {"any: B", "from sender: B"}},
        {.name = "A", .object = other, .expected = {"any: A", "named: A"}},
        // Plain values match by equality: a string made separately still matches.
        {.name = "A",
         .object = String(std::string("com.") + "example"),
         .expected = {"any: A", "named: A", "A from string: A"}},
        {.name = "B", .object = Id(), .expected = {"any: B"}},
    };
    for (const Post& post : posts) {
        SCOPED_TRACE(post.name);
        log.clear();
        center.postNotificationName(post.name, post.object);
        EXPECT_EQ(log, post.expected);
    }
}

TEST(NSNotificationCenterTest, DeliveryFollowsTheObserversAsTheyWereWhenPosted)
{
    NSNotificationCenter center;
    std::vector<std::string> log;
    auto first = std::make_shared<Listener>("first", log);
    auto third = std::make_shared<Listener>("third", log);
    std::shared_ptr<NSObject> latecomer;

    center.addObserver(*first, "handle:", String("N"), Id());
    auto second = center.addObserverForName(String("N"), Id(), [&](NSNotification&) {
        log.push_back("second");
        // Removing one not reached yet keeps it from this notification;
        // adding one keeps it for the next.
        center.removeObserver(*third);
        if (!latecomer)
            latecomer = center.addObserverForName(String("N"), Id(), [&](NSNotification&) { log.push_back("late"); });
    });
    center.addObserver(*third, "handle:", String("N"), Id());

    center.postNotificationName("N");
    EXPECT_THAT(log, ElementsAre("first N", "second"));
    log.clear();
    center.postNotificationName("N");
    EXPECT_THAT(log, ElementsAre("first N", "second", "late"));
}

TEST(NSNotificationCenterTest, RemovalMatchesObserverNameAndObject)
{
    NSNotificationCenter center;
    std::vector<std::string> log;
    auto listener = std::make_shared<Listener>("l", log);
    center.addObserver(*listener, "handle:", String("A"), Id());
    center.addObserver(*listener, "handle:", String("B"), Id());
    center.addObserver(*listener, "terminate", String("C"), "x");

    center.removeObserver(*listener, String("A"), Id());
    center.removeObserver(*listener, String("C"), "other");
    for (const char* name : {"A", "B"})
        center.postNotificationName(name);
    center.postNotificationName("C", "x");
    EXPECT_THAT(log, ElementsAre("l B", "l terminate"));

    log.clear();
    center.removeObserver(*listener);
    for (const char* name : {"A", "B", "C"})
        center.postNotificationName(name, "x");
    EXPECT_TRUE(log.empty());

    // A block stays registered without its token being kept, until the token
    // is removed.
    int calls = 0;
    std::weak_ptr<NSObject> weakToken =
        center.addObserverForName(std::nullopt, Id(), [&](NSNotification&) { ++calls; });
    center.postNotificationName("D");
    ASSERT_FALSE(weakToken.expired());
    center.removeObserver(*weakToken.lock());
    center.postNotificationName("D");
    EXPECT_EQ(calls, 1);
}

TEST(NSNotificationCenterTest, ReleasedObserversGetNothing)
{
    NSNotificationCenter center;
    std::vector<std::string> log;
    auto listener = std::make_shared<Listener>("l", log);
    center.addObserver(*listener, "handle:", std::nullopt, Id());
    listener.reset();
    center.postNotificationName("A");
    EXPECT_TRUE(log.empty());
}

TEST(NSDistributedNotificationCenterTest, DeliversOnTheObserversRunLoopAndRecordsEveryPost)
{
    ScopedVirtualClock clock;
    auto& center = NSDistributedNotificationCenter::defaultCenter();
    std::vector<std::string> posted;
    center.setPostHook([&](const NSNotification& n) { posted.push_back(n.description().utf8()); });
    std::vector<std::string> log;
    auto helper = std::make_shared<Listener>("helper", log);
    center.addObserver(*helper, "terminate", String("killLauncher"), "org.kestrova.Kestrova");

    center.postNotificationName("killLauncher", "org.other");
    center.postNotificationName("killLauncher", "org.kestrova.Kestrova");
    EXPECT_THAT(posted, ElementsAre("NSNotification killLauncher object=org.other",
                                    "NSNotification killLauncher object=org.kestrova.Kestrova"));
    // Never within the post: the observer is reached on its run loop.
    EXPECT_TRUE(log.empty());
    clock.advance(0);
    EXPECT_THAT(log, ElementsAre("helper terminate"));

    // Removed before its run loop came round: nothing arrives.
    center.postNotificationName("killLauncher", "org.kestrova.Kestrova");
    center.removeObserver(*helper);
    clock.advance(0);
    EXPECT_EQ(log.size(), 1u);
    center.setPostHook({});
}

TEST(NSDistributedNotificationCenterTest, SuspensionDropsCoalescesOrHoldsPerObserver)
{
    ScopedVirtualClock clock;
    auto& center = NSDistributedNotificationCenter::defaultCenter();
    std::vector<std::string> log;
    struct Case {
        const char* label;
        NSNotificationSuspensionBehavior behaviour;
    };
    const Case cases[] = {
        {.label = "drop", .behaviour = NSNotificationSuspensionBehaviorDrop},
        {.label = "coalesce", .behaviour = NSNotificationSuspensionBehaviorCoalesce},
        {.label = "hold", .behaviour = NSNotificationSuspensionBehaviorHold},
        {.label = "now", .behaviour = NSNotificationSuspensionBehaviorDeliverImmediately},
    };
    std::vector<std::shared_ptr<Listener>> listeners;
    for (const Case& c : cases) {
        listeners.push_back(std::make_shared<Listener>(c.label, log));
        center.addObserver(*listeners.back(), "handle:", std::nullopt, Id(), c.behaviour);
    }

    center.setSuspended(true);
    center.postNotificationName("one", Id(), Id());
    center.postNotificationName("two", Id(), Id());
    center.postNotificationName("one", Id(), Id());
    clock.advance(0);
    EXPECT_THAT(log, ElementsAre("now one", "now two", "now one"));

    log.clear();
    center.postNotificationName("urgent", Id(), Id(), true);
    clock.advance(0);
    EXPECT_THAT(log, ElementsAre("drop urgent", "coalesce urgent", "hold urgent", "now urgent"));

    log.clear();
    center.setSuspended(false);
    clock.advance(0);
    EXPECT_THAT(log, ElementsAre("hold one", "coalesce two", "hold two", "coalesce one", "hold one"));
    for (auto& listener : listeners)
        center.removeObserver(*listener);
}

namespace {

struct LayoutWatcher {
    std::vector<std::string> log;
    static void callback(NSNotificationCenter*, void* observer, const String& name, const Id& object, const Id&)
    {
        static_cast<LayoutWatcher*>(observer)->log.push_back(name.utf8() +
                                                             (object.isNil() ? "" : " " + object.description().utf8()));
    }
};

}  // namespace

TEST(CFNotificationCenterTest, CallbackObserversShareTheDistributedCentre)
{
    ScopedVirtualClock clock;
    CFNotificationCenterRef center = CFNotificationCenterGetDistributedCenter();
    ASSERT_EQ(center, &NSDistributedNotificationCenter::defaultCenter());
    LayoutWatcher watcher;
    const String changed = "com.apple.Carbon.TISNotifySelectedKeyboardInputSourceChanged";
    CFNotificationCenterAddObserver(center, &watcher, &LayoutWatcher::callback, changed, Id(),
                                    CFNotificationSuspensionBehaviorCoalesce);
    CFNotificationCenterAddObserver(center, &watcher, &LayoutWatcher::callback, String("other"), Id(),
                                    CFNotificationSuspensionBehaviorCoalesce);

    NSDistributedNotificationCenter::defaultCenter().postNotificationName(changed, "layout");
    CFNotificationCenterPostNotification(center, "other", Id(), Id(), false);
    clock.advance(0);
    EXPECT_THAT(watcher.log, ElementsAre(changed.utf8() + " layout", "other"));

    watcher.log.clear();
    CFNotificationCenterRemoveObserver(center, &watcher, changed, Id());
    CFNotificationCenterPostNotification(center, changed, Id(), Id(), false);
    CFNotificationCenterPostNotification(center, "other", Id(), Id(), false);
    clock.advance(0);
    EXPECT_THAT(watcher.log, ElementsAre("other"));

    watcher.log.clear();
    CFNotificationCenterRemoveEveryObserver(center, &watcher);
    CFNotificationCenterPostNotification(center, "other", Id(), Id(), false);
    clock.advance(0);
    EXPECT_TRUE(watcher.log.empty());
}
