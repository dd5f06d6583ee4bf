#pragma once

#include "foundation/Id.h"
#include "foundation/NSController.h"
#include "foundation/NSUserDefaults.h"

#include <memory>

namespace detail {
class UserDefaultsValues;
}

// The user defaults for bindings and key paths: "values.<key>" reads the
// default, writing it stores the value at once (nil removes the key), and
// observers of "values.<key>" hear of every change of the key, whether it was
// made here or on the user defaults directly.
class NSUserDefaultsController : public NSController {
    KS_OBJECT(NSUserDefaultsController, NSController)
public:
    // Over the standard user defaults; never released.
    static NSUserDefaultsController& sharedUserDefaultsController();

    explicit NSUserDefaultsController(NSUserDefaults& defaults);
    ~NSUserDefaultsController() override;

    NSUserDefaults& defaults() const { return defaults_; }
    // The proxy behind "values"; the same object for the controller's life.
    Id values();
    // Changes are never held back for a later save.
    bool appliesImmediately() const { return true; }

protected:
    static void describe(ClassDescriptor& d);

private:
    // The standard defaults live as long as the program; others outlive the
    // controllers made over them.
    NSUserDefaults& defaults_;
    std::shared_ptr<detail::UserDefaultsValues> values_;
};
