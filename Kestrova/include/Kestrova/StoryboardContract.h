#pragma once

#include "Kestrova/FatalError.h"
#include "appkit/NSStoryboard.h"
#include "foundation/ClassDescriptor.h"
#include "foundation/String.h"

#include <memory>

// The program's own classes as the run time names them in messages.
inline String qualifiedClassName(const ClassDescriptor& cls)
{
    return String("Kestrova.").appending(cls.name());
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
        fatalError(String("Expect controller with identifier `")
                       .appending(identifier)
                       .appending("` to be type of `")
                       .appending(qualifiedClassName(T::descriptor()))
                       .appending("` "));
    return controller;
}
