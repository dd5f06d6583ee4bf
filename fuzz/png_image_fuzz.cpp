// Images come from files in bundles that anyone can put there: any bytes
// must give either pixels or no image, and pixels must draw, without a
// crash.
#include "appkit/NSBitmapImageRep.h"
#include "appkit/NSGraphicsContext.h"
#include "appkit/NSImage.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    auto bitmap = NSBitmapImageRep::imageRepWithData(Data(data, size));
    if (!bitmap)
        return 0;
    // Large images are fine but slow to draw; a corner is enough.
    auto image = std::make_shared<NSImage>(NSSize{8, 8});
    bitmap->setSize({8, 8});
    image->addRepresentation(bitmap);
    auto target = std::make_shared<NSBitmapImageRep>(16, 16);
    {
        ScopedCurrentContext scoped(NSGraphicsContext::graphicsContextWithBitmapImageRep(target));
        image->drawInRect(NSMakeRect(0, 0, 8, 8));
        image->drawInRect(NSMakeRect(4, 4, 8, 8), NSMakeRect(1, 1, 3, 3), NSCompositingOperationCopy, 0.5);
    }
    (void)target->colorAtX(3, 3);
    (void)bitmap->colorAtX(0, 0);
    return 0;
}
