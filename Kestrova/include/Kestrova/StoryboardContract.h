#pragma once

#include "Kestrova/FatalError.h"
#include "appkit/NSCollectionView.h"
#include "appkit/NSStoryboard.h"
#include "foundation/ClassDescriptor.h"
#include "foundation/String.h"

#include <memory>

// The program's own classes as the run time names them in messages.
inline String qualifiedClassName(const ClassDescriptor& cls)
{
    return String("Kestrova.").appending(cls.name());
}

// A controller or item (`what`) made for `identifier` is not of the class
// the program expects.
[[noreturn]] inline void stopForWrongClass(const char* what, const String& identifier, const ClassDescriptor& cls)
{
    fatalError(String("Expect ")
                   .appending(String(what))
                   .appending(" with identifier `")
                   .appending(identifier)
                   .appending("` to be type of `")
                   .appending(qualifiedClassName(cls))
                   .appending("` "));
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
        stopForWrongClass("controller", identifier, T::descriptor());
    return controller;
}

// A collection view's item for the index path, which the registration of
// `identifier` must make of class T.
template <class T>
std::shared_ptr<T> requireItem(NSCollectionView& collectionView, const String& identifier, const NSIndexPath& indexPath)
{
    auto item = std::dynamic_pointer_cast<T>(collectionView.makeItemWithIdentifier(identifier, indexPath));
    if (!item)
        stopForWrongClass("item", identifier, T::descriptor());
    return item;
}
