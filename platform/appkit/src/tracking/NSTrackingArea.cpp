#include "appkit/NSTrackingArea.h"

NSTrackingArea::NSTrackingArea(NSRect rect, NSTrackingAreaOptions options, const std::shared_ptr<NSObject>& owner,
                               Id userInfo)
    : rect_(rect)
    , options_(options)
    , owner_(owner)
    , userInfo_(std::move(userInfo))
    , inside_(options & NSTrackingAssumeInside)
{
}
