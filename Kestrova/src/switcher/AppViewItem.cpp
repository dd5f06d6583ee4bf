#include "Kestrova/AppViewItem.h"

#include "Kestrova/ApplicationLists.h"
#include "Kestrova/FatalError.h"
#include "Kestrova/ShortcutRegistry.h"
#include "appkit/NSBox.h"
#include "appkit/NSColor.h"
#include "appkit/NSImage.h"
#include "appkit/NSImageView.h"
#include "appkit/NSTextField.h"
#include "shortcut-library/SRShortcut.h"
#include "shortcut-library/SRShortcutFormatter.h"

namespace {

constexpr CGFloat kIconSide = 64;

}  // namespace

AppViewItem::AppViewItem()
    : shortcutFormatter_(std::make_shared<SRShortcutFormatter>())
{
}

AppViewItem::~AppViewItem() = default;

void AppViewItem::describe(ClassDescriptor& d)
{
    d.property<AppViewItem>(
        "shortcutLabel", [](AppViewItem& item) { return Id(item.shortcutLabel()); },
        [](AppViewItem& item, const Id& value) { item.setShortcutLabel(value.object<NSTextField>()); });
    d.property<AppViewItem>(
        "box", [](AppViewItem& item) { return Id(item.box()); },
        [](AppViewItem& item, const Id& value) { item.setBox(value.object<NSBox>()); });
}

std::shared_ptr<NSTextField> AppViewItem::requireShortcutLabel() const
{
    auto label = shortcutLabel();
    if (!label)
        fatalError("Expect the nib `AppViewItem` to connect `shortcutLabel` ");
    return label;
}

std::shared_ptr<NSBox> AppViewItem::requireBox() const
{
    auto box = this->box();
    if (!box)
        fatalError("Expect the nib `AppViewItem` to connect `box` ");
    return box;
}

void AppViewItem::viewDidLoad()
{
    NSCollectionViewItem::viewDidLoad();
    view()->setWantsLayer(true);
    shortcutFormatter_->setAreModifierFlagsLiteral(false);
}

void AppViewItem::configure()
{
    if (!runningApp_)
        return;
    const auto& application = runningApp_->runningApplication;
    auto icon = application->icon();
    if (icon)
        icon->setSize({kIconSide, kIconSide});
    if (auto imageView = this->imageView())
        imageView->setImage(icon);
    String name = applicationName(*application);
    if (auto textField = this->textField())
        textField->setStringValue(name);

    auto label = requireShortcutLabel();
    auto& registry = ShortcutRegistry::shared();
    if (auto shortcut = registry.shortcut(name)) {
        auto text = registry.shortcutFormatter().stringForObjectValue(Id(shortcut));
        label->setStringValue(text.value_or(String()));
    } else {
        label->setStringValue("No shortcut");
    }
}

void AppViewItem::setSelected(bool selected)
{
    NSCollectionViewItem::setSelected(selected);
    updateBox(isSelected());
}

void AppViewItem::updateBox(bool selected)
{
    auto box = requireBox();
    box->setFillColor(selected ? NSColor::systemGrayColor()->colorWithAlphaComponent(0.5) : NSColor::clearColor());
}

void AppViewItem::prepareForReuse()
{
    NSCollectionViewItem::prepareForReuse();
    runningApp_.reset();
    if (auto imageView = this->imageView())
        imageView->setImage(nullptr);
    if (auto textField = this->textField())
        textField->setStringValue(String());
    requireShortcutLabel()->setStringValue(String());
    requireBox()->setFillColor(NSColor::clearColor());
}
