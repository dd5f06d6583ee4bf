#pragma once

#include "appkit/AppKitDefines.h"
#include "appkit/NSGraphicsContext.h"

#include <memory>

class NSImage;

// Drawing in the current graphics context with its fill colour. Each does
// nothing when no context is current.

// Fills with the copy operation: the colour replaces what was there, so a
// clear colour clears.
void NSRectFill(NSRect rect);
void NSRectFillUsingOperation(NSRect rect, NSCompositingOperation operation);
// A frame one point wide inside the rectangle.
void NSFrameRect(NSRect rect);
void NSFrameRectWithWidth(NSRect rect, CGFloat width);
void NSFrameRectWithWidthUsingOperation(NSRect rect, CGFloat width, NSCompositingOperation operation);
// Fills with white.
void NSEraseRect(NSRect rect);
// Narrows the clip to the rectangle.
void NSRectClip(NSRect rect);

// A control background from three images: the ends at their own width (or
// height, when vertical) and the centre stretched between them.
void NSDrawThreePartImage(NSRect frame, const std::shared_ptr<NSImage>& startCap,
                          const std::shared_ptr<NSImage>& centerFill, const std::shared_ptr<NSImage>& endCap,
                          bool vertical, NSCompositingOperation operation, CGFloat alphaFraction, bool flipped);
