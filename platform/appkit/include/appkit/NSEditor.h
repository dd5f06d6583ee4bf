#pragma once

#include "foundation/Id.h"
#include "foundation/Selector.h"

#include <memory>

class NSError;

// Something that holds edits not yet written to its bound object: window
// controllers and bindings ask it to commit or to drop them before they
// read the object.
class NSEditor {
public:
    virtual ~NSEditor() = default;

    // Drops what is being edited.
    virtual void discardEditing() = 0;
    // True when the edits were written (or there were none).
    virtual bool commitEditing() = 0;
    // Like commitEditing; `error`, when given, may receive why it failed.
    virtual bool commitEditingAndReturnError(std::shared_ptr<NSError>* error) = 0;
    // Commits, then tells `delegate` with `didCommitSelector`, whose three
    // arguments are the editor, the result and `contextInfo`.
    virtual void commitEditingWithDelegate(const Id& delegate, Selector didCommitSelector, void* contextInfo) = 0;
};
