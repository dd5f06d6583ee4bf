#include "Kestrova/SystemVersion.h"

#include "foundation/NSProcessInfo.h"

bool isMacOS14OrLater()
{
    return NSProcessInfo::processInfo().isOperatingSystemAtLeastVersion({.majorVersion = 14});
}
