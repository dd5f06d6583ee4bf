#include "foundation/NSInvocation.h"

#include "foundation/NSException.h"

std::shared_ptr<NSInvocation> NSInvocation::invocationWithSelector(Selector selector)
{
    return std::make_shared<NSInvocation>(selector);
}

NSInvocation::NSInvocation(Selector selector)
    : selector_(selector)
    , arguments_(static_cast<std::size_t>(selector.argumentCount()))
{
}

NSInvocation::Argument& NSInvocation::slot(int index)
{
    return const_cast<Argument&>(static_cast<const NSInvocation&>(*this).slot(index));
}

const NSInvocation::Argument& NSInvocation::slot(int index) const
{
    if (index < 2 || static_cast<std::size_t>(index - 2) >= arguments_.size())
        NSException::raise(NSInvalidArgumentException, "-[NSInvocation setArgument:atIndex:]: index (%d) out of bounds",
                           index);
    return arguments_[static_cast<std::size_t>(index - 2)];
}

void NSInvocation::setArgument(const Id& argument, int index)
{
    Argument& argumentSlot = slot(index);
    argumentSlot = Argument();
    auto object = argument.objectReference();
    if (object && !retained_) {
        argumentSlot.weakObject = object;
        argumentSlot.weak = true;
    } else {
        argumentSlot.value = argument;
    }
}

Id NSInvocation::argumentAtIndex(int index) const
{
    const Argument& argumentSlot = slot(index);
    if (argumentSlot.weak)
        return Id(argumentSlot.weakObject.lock());
    return argumentSlot.value;
}

void NSInvocation::retainArguments()
{
    if (retained_)
        return;
    retained_ = true;
    for (Argument& argument : arguments_) {
        if (!argument.weak)
            continue;
        argument.value = Id(argument.weakObject.lock());
        argument.weakObject.reset();
        argument.weak = false;
    }
}

Id NSInvocation::invokeWithTarget(NSObject& target) const
{
    std::vector<Id> arguments;
    arguments.reserve(arguments_.size());
    for (std::size_t i = 0; i < arguments_.size(); ++i)
        arguments.push_back(argumentAtIndex(static_cast<int>(i + 2)));
    return target.performSelector(selector_, arguments);
}

void NSInvocation::describe(ClassDescriptor& d)
{
    d.method<NSInvocation>("invokeWithTarget:", ReturnKind::Void,
                           [](NSInvocation& invocation, std::span<const Id> arguments) {
                               if (NSObject* target = arguments.empty() ? nullptr : arguments[0].objectPointer())
                                   invocation.invokeWithTarget(*target);
                               return Id();
                           });
}
