#include "appkit/NSMenuItem.h"

#include "appkit/NSMenu.h"

NSMenuItem::NSMenuItem(String title, Selector action, String keyEquivalent)
    : title_(std::move(title))
    , action_(action)
    , keyEquivalent_(std::move(keyEquivalent))
{
}

std::shared_ptr<NSMenuItem> NSMenuItem::separatorItem()
{
    auto item = std::make_shared<NSMenuItem>();
    item->separator_ = true;
    item->enabled_ = false;
    return item;
}

void NSMenuItem::describe(ClassDescriptor& d)
{
    d.property<NSMenuItem>(
        "title", [](NSMenuItem& i) { return Id(i.title()); },
        [](NSMenuItem& i, const Id& v) { i.setTitle(v.string() ? *v.string() : String()); });
    d.property<NSMenuItem>(
        "enabled", [](NSMenuItem& i) { return Id::boolean(i.isEnabled()); },
        [](NSMenuItem& i, const Id& v) { i.setEnabled(v.boolValue()); });
    d.property<NSMenuItem>(
        "hidden", [](NSMenuItem& i) { return Id::boolean(i.isHidden()); },
        [](NSMenuItem& i, const Id& v) { i.setHidden(v.boolValue()); });
    d.property<NSMenuItem>(
        "tag", [](NSMenuItem& i) { return Id::number(i.tag()); },
        [](NSMenuItem& i, const Id& v) { i.setTag(v.integerValue()); });
}

Id NSMenuItem::target() const
{
    return Id(target_.lock());
}

void NSMenuItem::setTarget(const Id& target)
{
    target_ = target.objectReference();
}

void NSMenuItem::setSubmenu(const std::shared_ptr<NSMenu>& submenu)
{
    if (submenu_)
        submenu_->setSupermenu(nullptr);
    submenu_ = submenu;
    if (submenu_)
        submenu_->setSupermenu(menu_.lock());
}

std::shared_ptr<NSMenuItem> NSMenuItem::parentItem() const
{
    auto menu = menu_.lock();
    auto supermenu = menu ? menu->supermenu() : nullptr;
    if (!supermenu)
        return nullptr;
    for (const auto& item : supermenu->itemArray())
        if (item->submenu_ == menu)
            return item;
    return nullptr;
}

bool NSMenuItem::matchesKeyEquivalent(NSEvent& event) const
{
    if (keyEquivalent_.empty() || event.type() != NSEventTypeKeyDown)
        return false;
    constexpr NSEventModifierFlags relevant =
        NSEventModifierFlagShift | NSEventModifierFlagControl | NSEventModifierFlagOption | NSEventModifierFlagCommand;
    NSEventModifierFlags wanted = keyEquivalentModifierMask_ & relevant;
    String key = keyEquivalent_;
    if (key != key.lowercase()) {
        wanted |= NSEventModifierFlagShift;
        key = key.lowercase();
    }
    return (event.modifierFlags() & relevant) == wanted && event.charactersIgnoringModifiers().lowercase() == key;
}

String NSMenuItem::description() const
{
    return String::format("<NSMenuItem: %s>", title_.utf8().c_str());
}
