#pragma once

#include "Kestrova/FatalError.h"
#include "appkit/NSCollectionView.h"
#include "appkit/NSCollectionViewItem.h"
#include "appkit/NSStoryboard.h"
#include "foundation/ClassDescriptor.h"
#include "foundation/String.h"

#include <memory>
#include <vector>

// The program's own classes as the run time names them in messages.
inline String qualifiedClassName(const ClassDescriptor& cls)
{
    return String("Kestrova.").appending(cls.name());
}

// What the program says when a scene or a list hands it an object of
// another class than the one its contract names: "Expect controller with
// identifier `Main` to be type of `Kestrova.MainWindowController` ".
inline String wrongTypeMessage(const char* what, const String& identifier, const ClassDescriptor& cls)
{
    return String("Expect ")
        .appending(what)
        .appending(" with identifier `")
        .appending(identifier)
        .appending("` to be type of `")
        .appending(qualifiedClassName(cls))
        .appending("` ");
}

// The main storyboard, which the bundle must carry.
inline std::shared_ptr<NSStoryboard> requireMainStoryboard()
{
    auto storyboard = NSStoryboard::mainStoryboard();
    if (!storyboard)
        fatalError("Expect the main bundle to name a main storyboard");
    return storyboard;
}

// A fresh controller of the scene, which must be of class T.
template <class T> std::shared_ptr<T> requireController(NSStoryboard& storyboard, const String& identifier)
{
    auto controller = storyboard.instantiateControllerWithIdentifier(identifier).object<T>();
    if (!controller)
        fatalError(wrongTypeMessage("controller", identifier, T::descriptor()));
    return controller;
}

// An item for the index path from the list's registration of the
// identifier, which must make items of class T.
template <class T>
std::shared_ptr<T> requireItem(NSCollectionView& collectionView, const String& identifier, const NSIndexPath& indexPath)
{
    auto item = std::dynamic_pointer_cast<T>(collectionView.makeItemWithIdentifier(identifier, indexPath));
    if (!item)
        fatalError(wrongTypeMessage("item", identifier, T::descriptor()));
    return item;
}

// An outlet the nib must connect: "Expect the nib `AppViewItem` to connect
// `box` ".
template <class T>
std::shared_ptr<T> requireOutlet(const NSObject& owner, const std::weak_ptr<T>& outlet, const char* name)
{
    auto object = outlet.lock();
    if (!object)
        fatalError(String("Expect the nib `")
                       .appending(owner.className())
                       .appending("` to connect `")
                       .appending(name)
                       .appending("` "));
    return object;
}

// The entry of a list's one section at the index path, which must be one of
// the list's.
template <class T> const T& entryAt(const std::vector<T>& entries, const NSIndexPath& indexPath)
{
    if (indexPath.item() < 0 || std::size_t(indexPath.item()) >= entries.size())
        fatalError("Index out of range");
    return entries[std::size_t(indexPath.item())];
}
