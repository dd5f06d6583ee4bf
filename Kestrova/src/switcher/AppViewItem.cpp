#include "Kestrova/AppViewItem.h"

#include "Kestrova/ApplicationLists.h"
#include "Kestrova/ShortcutRegistry.h"
#include "appkit/NSImage.h"
#include "appkit/NSImageView.h"
#include "appkit/NSTextField.h"
#include "shortcut-library/SRShortcut.h"
#include "shortcut-library/SRShortcutFormatter.h"

AppViewItem::AppViewItem()
    : shortcutFormatter_(std::make_shared<SRShortcutFormatter>())
{
}

AppViewItem::~AppViewItem() = default;

void AppViewItem::viewDidLoad()
{
    SwitcherItem::viewDidLoad();
    view()->setWantsLayer(true);
    shortcutFormatter_->setAreModifierFlagsLiteral(false);
}

void AppViewItem::configure()
{
    if (!runningApp_)
        return;
    String name = showApplication(*this, *runningApp_->runningApplication);

    auto label = requireShortcutLabel();
    auto& registry = ShortcutRegistry::shared();
    if (auto shortcut = registry.shortcut(name)) {
        auto text = registry.shortcutFormatter().stringForObjectValue(Id(shortcut));
        label->setStringValue(text.value_or(String()));
    } else {
        label->setStringValue("No shortcut");
    }
}

void AppViewItem::prepareForReuse()
{
    SwitcherItem::prepareForReuse();
    runningApp_.reset();
    if (auto imageView = this->imageView())
        imageView->setImage(nullptr);
}
