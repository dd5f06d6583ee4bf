#pragma once

#include "foundation/NSObject.h"

// Equality of the library's value classes: the more specialised of the two
// objects decides, and objects of sibling classes compare only when they
// share the common ancestor's equality method.
//
// `selector` names an equality method that takes one object and answers a
// Boolean; `ancestor` is the class where the value's equality is defined.
bool SR_isEqual(const NSObject& receiver, const Id& other, Selector selector, const ClassDescriptor& ancestor);

class NSBundle;

namespace detail {
// Where the library's code bundle lies (the build sets it); tests move it.
void SRSetLibraryCodeBundlePath(const String& path);
}  // namespace detail

// The library's resources live in a bundle of their own, found beside the
// application's resources or beside the library's code.
std::shared_ptr<NSBundle> SRLibraryBundle();
// The library's text for `key` from its strings table; a key the table lacks
// comes back as itself.
String SRLocalizedText(const String& key);
// The library's image of that name; nil while images have no pixels to hold.
Id SRLibraryImageNamed(const String& name);
