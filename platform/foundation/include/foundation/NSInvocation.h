#pragma once

#include "foundation/Id.h"
#include "foundation/NSObject.h"
#include "foundation/Selector.h"

#include <memory>
#include <vector>

// A message made ready to be sent later: a selector and its arguments, sent
// to whatever target it is given. Arguments are counted as the platform
// counts them, the receiver and the selector being 0 and 1, so the first
// argument of the message is index 2.
//
// An invocation is itself a target of delayed performs: it answers
// "invokeWithTarget:", so that a call prepared once can be scheduled,
// cancelled and scheduled again with cancelPreviousPerformRequestsWithTarget
// on the invocation.
class NSInvocation : public NSObject {
    KS_OBJECT(NSInvocation, NSObject)

public:
    // For a message of `selector`, its arguments nil until set.
    static std::shared_ptr<NSInvocation> invocationWithSelector(Selector selector);
    explicit NSInvocation(Selector selector);

    Selector selector() const { return selector_; }
    // Index 2 and up; an index outside the message's arguments raises an
    // invalid-argument exception.
    void setArgument(const Id& argument, int index);
    Id argumentAtIndex(int index) const;

    // Without it the invocation holds its object arguments weakly, as the
    // platform leaves them unretained; with it, strongly from then on.
    void retainArguments();
    bool argumentsRetained() const { return retained_; }

    // Sends the message to `target` with the arguments set (nil for an
    // argument held weakly whose object is gone) and answers its answer.
    Id invokeWithTarget(NSObject& target) const;

protected:
    static void describe(ClassDescriptor& d);

private:
    struct Argument {
        Id value;
        std::weak_ptr<NSObject> weakObject;
        bool weak = false;
    };
    Argument& slot(int index);
    const Argument& slot(int index) const;

    Selector selector_;
    std::vector<Argument> arguments_;
    bool retained_ = false;
};
