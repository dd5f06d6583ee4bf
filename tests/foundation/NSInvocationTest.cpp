#include "foundation/NSInvocation.h"

#include "foundation/NSException.h"
#include "foundation/NSRunLoop.h"
#include "foundation/ScopedVirtualClock.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class Listener : public NSObject {
    KS_OBJECT(Listener, NSObject)
public:
    std::vector<std::string> heard;

protected:
    static void describe(ClassDescriptor& d)
    {
        d.method<Listener>("changed:", ReturnKind::Void, [](Listener& l, std::span<const Id> arguments) {
            l.heard.push_back(arguments[0].isNil() ? "nil" : arguments[0].description().utf8());
            return Id();
        });
    }
};

TEST(NSInvocationTest, PreparedOnceSentLaterToAnyTarget)
{
    auto invocation = NSInvocation::invocationWithSelector("changed:");
    auto listener = std::make_shared<Listener>();
    invocation->invokeWithTarget(*listener);
    invocation->setArgument(Id(String("tint")), 2);
    EXPECT_EQ(invocation->argumentAtIndex(2), Id(String("tint")));
    invocation->invokeWithTarget(*listener);
    EXPECT_EQ(listener->heard, (std::vector<std::string>{"nil", "tint"}));

    // The receiver and the selector are indexes 0 and 1; past the message's
    // arguments there is nothing to set.
    for (int index : {0, 1, 3}) {
        SCOPED_TRACE(index);
        EXPECT_THROW(invocation->setArgument(Id(), index), NSException);
    }
}

TEST(NSInvocationTest, ObjectArgumentsAreHeldOnlyWhenRetained)
{
    auto invocation = NSInvocation::invocationWithSelector("changed:");
    auto argument = std::make_shared<Listener>();
    invocation->setArgument(Id(argument), 2);
    std::weak_ptr<Listener> weak = argument;
    argument.reset();
    EXPECT_TRUE(invocation->argumentAtIndex(2).isNil());

    argument = std::make_shared<Listener>();
    weak = argument;
    invocation->setArgument(Id(argument), 2);
    invocation->retainArguments();
    argument.reset();
    EXPECT_FALSE(weak.expired());
    EXPECT_TRUE(invocation->argumentsRetained());
}

// What a control does with its style: one prepared call, scheduled after
// each change and cancelled by the next, so a burst gives one call.
TEST(NSInvocationTest, ScheduledAndCancelledAsATargetOfDelayedPerforms)
{
    ScopedVirtualClock clock;
    auto invocation = NSInvocation::invocationWithSelector("changed:");
    invocation->retainArguments();
    auto listener = std::make_shared<Listener>();
    for (const char* reason : {"tint", "contrast", "look"}) {
        cancelPreviousPerformRequestsWithTarget(*invocation);
        invocation->setArgument(Id(String(reason)), 2);
        performSelectorAfterDelay(*invocation, "invokeWithTarget:", Id(listener), 0, {NSRunLoopCommonModes});
    }
    clock.advance(0);
    EXPECT_EQ(listener->heard, (std::vector<std::string>{"look"}));

    performSelectorAfterDelay(*invocation, "invokeWithTarget:", Id(listener), 0, {NSRunLoopCommonModes});
    cancelPreviousPerformRequestsWithTarget(*invocation);
    clock.advance(0);
    EXPECT_EQ(listener->heard.size(), 1u);
}

}  // namespace
