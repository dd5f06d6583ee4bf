#include "shortcut-library/SRCommon.h"

#include "foundation/NSException.h"

namespace {

bool call(const Method* method, const NSObject& receiver, const Id& argument)
{
    if (!method)
        return false;
    // Equality methods don't change their receiver; the method table takes
    // every receiver as mutable.
    return method->implementation(const_cast<NSObject&>(receiver), std::span<const Id>(&argument, 1)).boolValue();
}

}  // namespace

bool SR_isEqual(const NSObject& receiver, const Id& other, Selector selector, const ClassDescriptor& ancestor)
{
    NSObject* b = other.objectPointer();
    if (b == &receiver)
        return true;
    if (!b)
        return false;

    const ClassDescriptor& classOfA = receiver.classDescriptor();
    const ClassDescriptor& classOfB = b->classDescriptor();
    if (classOfA.isSubclassOf(classOfB))
        return call(receiver.methodForSelector(selector), receiver, other);
    if (classOfB.isSubclassOf(classOfA))
        return call(b->methodForSelector(selector), *b,
                    Id(std::const_pointer_cast<NSObject>(receiver.weak_from_this().lock())));

    if (!classOfB.isSubclassOf(ancestor))
        return false;
    NSAssert(classOfA.isSubclassOf(ancestor), String("Receiver must be an instance of the specified ancestor."));
    const Method* methodOfA = receiver.methodForSelector(selector);
    if (methodOfA && methodOfA == b->methodForSelector(selector))
        return call(methodOfA, receiver, other);
    return false;
}
