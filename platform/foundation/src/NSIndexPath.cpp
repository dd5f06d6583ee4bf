#include "foundation/NSIndexPath.h"

String NSIndexPath::description() const
{
    return String::format("%ld-%ld", section_, item_);
}
