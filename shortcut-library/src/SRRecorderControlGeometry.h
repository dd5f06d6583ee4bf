#pragma once

#include "appkit/AppKitDefines.h"
#include "appkit/NSLayoutGuide.h"

#include <memory>

// What the recorder's drawing and its mouse tracking both ask of the
// style's guides.
namespace detail::recorder {

// Nothing to draw in or click on: no width or no height. A size that is no
// number counts as none.
inline bool isEmptyRect(NSRect rect)
{
    return !(rect.size.width > 0) || !(rect.size.height > 0);
}

// A guide's frame, or `otherwise` where the style has no such guide.
inline NSRect frameOf(const std::shared_ptr<NSLayoutGuide>& guide, NSRect otherwise)
{
    return guide ? guide->frame() : otherwise;
}

}  // namespace detail::recorder
