#include "storyboard/StoryboardClassRegistry.h"

#include "appkit/NSBox.h"
#include "appkit/NSButton.h"
#include "appkit/NSClipView.h"
#include "appkit/NSControl.h"
#include "appkit/NSImageView.h"
#include "appkit/NSMenu.h"
#include "appkit/NSMenuItem.h"
#include "appkit/NSPopover.h"
#include "appkit/NSScrollView.h"
#include "appkit/NSStoryboardSegue.h"
#include "appkit/NSTextField.h"
#include "appkit/NSView.h"
#include "appkit/NSViewController.h"
#include "appkit/NSVisualEffectView.h"
#include "appkit/NSWindow.h"
#include "appkit/NSWindowController.h"

namespace detail {

namespace {

template <class T> void add(StoryboardClassRegistry& registry)
{
    registry.registerClass(T::descriptor(), [] { return std::make_shared<T>(); });
}

}  // namespace

StoryboardClassRegistry& StoryboardClassRegistry::shared()
{
    static auto* registry = new StoryboardClassRegistry;
    return *registry;
}

StoryboardClassRegistry::StoryboardClassRegistry()
{
    add<NSObject>(*this);
    add<NSView>(*this);
    add<NSControl>(*this);
    add<NSButton>(*this);
    add<NSTextField>(*this);
    add<NSImageView>(*this);
    add<NSVisualEffectView>(*this);
    add<NSBox>(*this);
    add<NSScrollView>(*this);
    add<NSClipView>(*this);
    add<NSWindow>(*this);
    add<NSWindowController>(*this);
    add<NSViewController>(*this);
    add<NSMenu>(*this);
    add<NSMenuItem>(*this);
    add<NSPopover>(*this);
    registerSegueClass(NSStoryboardSegue::descriptor(),
                       [](const String& identifier, const Id& source, const Id& destination) {
                           return std::make_shared<NSStoryboardSegue>(identifier, source, destination);
                       });
}

void StoryboardClassRegistry::registerClass(const ClassDescriptor& cls, NSStoryboard::Factory factory)
{
    std::lock_guard lock(mutex_);
    classes_[cls.name()] = {&cls, std::move(factory)};
}

void StoryboardClassRegistry::registerSegueClass(const ClassDescriptor& cls, NSStoryboard::SegueFactory factory)
{
    std::lock_guard lock(mutex_);
    segues_[cls.name()] = {&cls, std::move(factory)};
}

std::optional<StoryboardClassRegistry::ClassEntry> StoryboardClassRegistry::classNamed(const String& name) const
{
    std::lock_guard lock(mutex_);
    auto it = classes_.find(name);
    if (it == classes_.end())
        return std::nullopt;
    return it->second;
}

std::optional<StoryboardClassRegistry::SegueEntry> StoryboardClassRegistry::segueClassNamed(const String& name) const
{
    std::lock_guard lock(mutex_);
    auto it = segues_.find(name);
    if (it == segues_.end())
        return std::nullopt;
    return it->second;
}

}  // namespace detail
