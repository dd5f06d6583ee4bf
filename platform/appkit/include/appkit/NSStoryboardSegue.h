#pragma once

#include "foundation/Id.h"
#include "foundation/NSObject.h"
#include "foundation/String.h"

#include <functional>
#include <memory>

// A transition between two controllers of a storyboard, made fresh each time
// a controller performs it. The source and the destination are objects (view
// or window controllers); subclasses decide in `perform` what showing the
// destination means.
class NSStoryboardSegue : public NSObject {
    KS_OBJECT(NSStoryboardSegue, NSObject)

public:
    NSStoryboardSegue(String identifier, Id source, Id destination);
    // A segue whose perform runs `handler`.
    static std::shared_ptr<NSStoryboardSegue> segueWithIdentifier(const String& identifier, const Id& source,
                                                                  const Id& destination, std::function<void()> handler);

    const String& identifier() const { return identifier_; }
    const Id& sourceController() const { return source_; }
    const Id& destinationController() const { return destination_; }

    // The plain segue runs its handler, when it has one, and nothing else.
    virtual void perform();

private:
    String identifier_;
    Id source_;
    Id destination_;
    std::function<void()> handler_;
};
