#include "Kestrova/EmbedSegue.h"

#include "Kestrova/NavigationController.h"
#include "appkit/NSViewController.h"

void EmbedSegue::perform()
{
    auto source = sourceController().object<NSViewController>();
    auto destination = destinationController().object<NSViewController>();
    if (!source || !destination)
        return;
    if (auto navigation = std::dynamic_pointer_cast<NavigationController>(source->parentViewController()))
        navigation->push(destination);
}
