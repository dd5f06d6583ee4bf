#include "appkit/NSStoryboardSegue.h"

NSStoryboardSegue::NSStoryboardSegue(String identifier, Id source, Id destination)
    : identifier_(std::move(identifier))
    , source_(std::move(source))
    , destination_(std::move(destination))
{
}

std::shared_ptr<NSStoryboardSegue> NSStoryboardSegue::segueWithIdentifier(const String& identifier, const Id& source,
                                                                          const Id& destination,
                                                                          std::function<void()> handler)
{
    auto segue = std::make_shared<NSStoryboardSegue>(identifier, source, destination);
    segue->handler_ = std::move(handler);
    return segue;
}

void NSStoryboardSegue::perform()
{
    if (handler_)
        handler_();
}
