#pragma once

#include "foundation/Id.h"
#include "foundation/NSObject.h"
#include "foundation/String.h"

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class NSBundle;

// A description of objects that can be made again and again, each time
// connected to an owner: an item's view with its labels, say, wired to the
// item's outlets.
//
// The program registers each nib by name with a loader that makes a fresh
// set of its objects for an owner (which may be nil), connects the owner's
// outlets, and answers the top-level objects. Reading nibs from files of a
// bundle is not done here: a registered loader is what a name finds.
class NSNib : public NSObject {
    KS_OBJECT(NSNib, NSObject)

public:
    using Objects = std::vector<std::shared_ptr<NSObject>>;
    // nullopt when making the objects failed.
    using Loader = std::function<std::optional<Objects>(const Id& owner)>;

    // Registering a name again replaces its loader; an empty loader removes
    // the name.
    static void registerNib(const String& name, Loader loader);
    // The nib registered under the name; nullptr when there is none. The
    // bundle is accepted for the platform's shape and not looked at.
    static std::shared_ptr<NSNib> nibNamed(const String& name, const std::shared_ptr<NSBundle>& bundle = nullptr);

    NSNib(String name, Loader loader);
    ~NSNib() override;

    const String& name() const { return name_; }

    // Makes the objects for the owner. The caller keeps the top-level objects
    // alive (outlets are weak); false, and no objects, when the loader failed.
    bool instantiateWithOwner(const Id& owner, Objects* topLevelObjects);

private:
    String name_;
    Loader loader_;
};
