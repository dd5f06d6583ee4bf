#include "Kestrova/PreferencesViewController.h"

#include "Kestrova/BundleIdentifiers.h"
#include "Kestrova/PreferencesKey.h"
#include "foundation/NSUserDefaults.h"
#include "foundation/NSUserDefaultsController.h"
#include "reactive/KeyValueObservation.h"
#include "servicemanagement/SMLoginItem.h"

void PreferencesViewController::viewDidLoad()
{
    NSViewController::viewDidLoad();
    NSUserDefaults& defaults = NSUserDefaultsController::sharedUserDefaultsController().defaults();
    reactive::observeBoolean(defaults.shared_from_this(), raw(PreferencesKey::launchAtLogin))
        .bind([](const std::optional<bool>& enabled) {
            // A failed registration is not ours to report: the preference
            // keeps what the user chose.
            if (enabled)
                SMLoginItemSetEnabled(kLoginHelperBundleIdentifier, *enabled);
        })
        .disposed(disposeBag_);
}
