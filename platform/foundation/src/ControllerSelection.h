#pragma once

#include "foundation/NSObject.h"

class NSObjectController;

namespace detail {

// The "selection" of an object controller. Its keys ask the controller; each
// key depends on the same key of the content, reached through the private
// key "@content", so observing "selection.x" also follows the content's x.
class ControllerSelection final : public NSObject {
    KS_OBJECT(ControllerSelection, NSObject)
public:
    static const String contentKey;

    explicit ControllerSelection(NSObjectController& controller)
        : controller_(&controller)
    {
    }
    // The controller goes first: from then on there is no selection.
    void detach() { controller_ = nullptr; }

    Id valueForKey(const String& key) override;
    void setValueForKey(const Id& value, const String& key) override;
    Id valueForKeyPath(const String& keyPath) override;
    void setValueForKeyPath(const Id& value, const String& keyPath) override;
    std::vector<String> keyPathsForValuesAffectingValueForKey(const String& key) const override;

private:
    // Owned by the controller, which detaches it when it goes.
    NSObjectController* controller_;
};

}  // namespace detail
