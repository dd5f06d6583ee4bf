#pragma once

#include "appkit/AppKitDefines.h"
#include "appkit/NSEvent.h"
#include "foundation/Id.h"
#include "foundation/NSObject.h"
#include "foundation/Selector.h"
#include "foundation/String.h"

#include <memory>

class NSMenu;

// One entry of a menu: a title, an action for a target (nil: the first
// responder that takes it), an optional key equivalent, and an optional
// submenu.
class NSMenuItem : public NSObject {
    KS_OBJECT(NSMenuItem, NSObject)

public:
    NSMenuItem(String title = String(), Selector action = Selector(), String keyEquivalent = String());
    static std::shared_ptr<NSMenuItem> separatorItem();

    const String& title() const { return title_; }
    void setTitle(const String& title) { title_ = title; }
    Selector action() const { return action_; }
    void setAction(Selector action) { action_ = action; }
    // An object, held weakly as the platform does; anything else clears it.
    Id target() const;
    void setTarget(const Id& target);
    NSInteger tag() const { return tag_; }
    void setTag(NSInteger tag) { tag_ = tag; }
    bool isEnabled() const { return enabled_; }
    void setEnabled(bool enabled) { enabled_ = enabled; }
    bool isHidden() const { return hidden_; }
    void setHidden(bool hidden) { hidden_ = hidden; }
    bool isSeparatorItem() const { return separator_; }

    // The key equivalent is one character; an upper-case letter implies
    // shift. The mask defaults to command.
    const String& keyEquivalent() const { return keyEquivalent_; }
    void setKeyEquivalent(const String& keyEquivalent) { keyEquivalent_ = keyEquivalent; }
    NSEventModifierFlags keyEquivalentModifierMask() const { return keyEquivalentModifierMask_; }
    void setKeyEquivalentModifierMask(NSEventModifierFlags mask) { keyEquivalentModifierMask_ = mask; }

    std::shared_ptr<NSMenu> submenu() const { return submenu_; }
    // The submenu's supermenu becomes this item's menu.
    void setSubmenu(const std::shared_ptr<NSMenu>& submenu);
    bool hasSubmenu() const { return submenu_ != nullptr; }
    // The menu this item is in.
    std::shared_ptr<NSMenu> menu() const { return menu_.lock(); }
    // The item whose submenu holds this item, if any.
    std::shared_ptr<NSMenuItem> parentItem() const;

    // Whether a key-down event is this item's key equivalent.
    bool matchesKeyEquivalent(NSEvent& event) const;

    String description() const override;

protected:
    static void describe(ClassDescriptor& d);

private:
    friend class NSMenu;

    String title_;
    Selector action_;
    std::weak_ptr<NSObject> target_;
    String keyEquivalent_;
    NSEventModifierFlags keyEquivalentModifierMask_ = NSEventModifierFlagCommand;
    NSInteger tag_ = 0;
    bool enabled_ = true;
    bool hidden_ = false;
    bool separator_ = false;
    std::shared_ptr<NSMenu> submenu_;
    std::weak_ptr<NSMenu> menu_;
};
