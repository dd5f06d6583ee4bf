#include "appkit/NSView.h"

void NSView::registerForDraggedTypes(const std::vector<String>& types)
{
    registeredDraggedTypes_ = types;
}

void NSView::unregisterDraggedTypes()
{
    registeredDraggedTypes_.clear();
}
