#include "ControllerSelection.h"

#include "foundation/NSKeyValueBinding.h"
#include "foundation/NSObjectController.h"

namespace detail {

const String ControllerSelection::contentKey = "@content";

Id ControllerSelection::valueForKey(const String& key)
{
    auto* controller = controller_;
    if (!controller)
        return NSNoSelectionMarker;
    if (key == contentKey)
        return controller->content();
    return controller->singleValueForKey(key);
}

void ControllerSelection::setValueForKey(const Id& value, const String& key)
{
    if (auto* controller = controller_; controller && !controller->content().isNil())
        controller->setValueForKeyPath(value, String("content.").appending(key));
}

Id ControllerSelection::valueForKeyPath(const String& keyPath)
{
    auto dot = keyPath.find(".");
    if (dot == String::npos)
        return valueForKey(keyPath);
    Id first = valueForKey(keyPath.substring(0, dot));
    if (NSIsControllerMarker(first))
        return first;
    return ::valueForKeyPath(first, keyPath.substring(dot + 1));
}

void ControllerSelection::setValueForKeyPath(const Id& value, const String& keyPath)
{
    if (auto* controller = controller_; controller && !controller->content().isNil())
        controller->setValueForKeyPath(value, String("content.").appending(keyPath));
}

std::vector<String> ControllerSelection::keyPathsForValuesAffectingValueForKey(const String& key) const
{
    if (key.hasPrefix("@"))
        return {};
    return {contentKey.appending(".").appending(key)};
}

}  // namespace detail
