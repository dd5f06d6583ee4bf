#include "foundation/NSUserDefaultsController.h"

#include "UserDefaultsValues.h"

NSUserDefaultsController& NSUserDefaultsController::sharedUserDefaultsController()
{
    static auto* controller = new std::shared_ptr<NSUserDefaultsController>(
        std::make_shared<NSUserDefaultsController>(NSUserDefaults::standardUserDefaults()));
    return **controller;
}

NSUserDefaultsController::NSUserDefaultsController(NSUserDefaults& defaults)
    : defaults_(defaults)
{
}

NSUserDefaultsController::~NSUserDefaultsController() = default;

Id NSUserDefaultsController::values()
{
    if (!values_)
        values_ = std::make_shared<detail::UserDefaultsValues>(defaults_);
    return values_;
}

void NSUserDefaultsController::describe(ClassDescriptor& d)
{
    d.property<NSUserDefaultsController>("values", [](NSUserDefaultsController& c) { return c.values(); });
    d.property<NSUserDefaultsController>(
        "defaults", [](NSUserDefaultsController& c) { return Id(c.defaults().shared_from_this()); });
}
