#include "Kestrova/SwitcherItem.h"

#include "Kestrova/StoryboardContract.h"
#include "appkit/NSBox.h"
#include "appkit/NSColor.h"
#include "appkit/NSTextField.h"

namespace {

constexpr CGFloat kSelectedAlpha = 0.5;

}  // namespace

void SwitcherItem::describe(ClassDescriptor& d)
{
    d.property<SwitcherItem>(
        "shortcutLabel", [](SwitcherItem& item) { return Id(item.shortcutLabel()); },
        [](SwitcherItem& item, const Id& value) { item.setShortcutLabel(value.object<NSTextField>()); });
    d.property<SwitcherItem>(
        "box", [](SwitcherItem& item) { return Id(item.box()); },
        [](SwitcherItem& item, const Id& value) { item.setBox(value.object<NSBox>()); });
}

std::shared_ptr<NSTextField> SwitcherItem::requireShortcutLabel() const
{
    return requireOutlet(*this, shortcutLabel_, "shortcutLabel");
}

std::shared_ptr<NSBox> SwitcherItem::requireBox() const
{
    return requireOutlet(*this, box_, "box");
}

void SwitcherItem::setSelected(bool selected)
{
    NSCollectionViewItem::setSelected(selected);
    updateBox(isSelected());
}

void SwitcherItem::updateBox(bool selected)
{
    requireBox()->setFillColor(selected ? NSColor::systemGrayColor()->colorWithAlphaComponent(kSelectedAlpha)
                                        : NSColor::clearColor());
}

void SwitcherItem::prepareForReuse()
{
    NSCollectionViewItem::prepareForReuse();
    if (auto textField = this->textField())
        textField->setStringValue(String());
    requireShortcutLabel()->setStringValue(String());
    requireBox()->setFillColor(NSColor::clearColor());
}
