#pragma once

#include "foundation/NSObject.h"

// Equality of the library's value classes: the more specialised of the two
// objects decides, and objects of sibling classes compare only when they
// share the common ancestor's equality method.
//
// `selector` names an equality method that takes one object and answers a
// Boolean; `ancestor` is the class where the value's equality is defined.
bool SR_isEqual(const NSObject& receiver, const Id& other, Selector selector, const ClassDescriptor& ancestor);
