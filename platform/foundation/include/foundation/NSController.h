#pragma once

#include "foundation/NSObject.h"

#include <functional>
#include <memory>
#include <vector>

// The root of the controllers that bindings talk to. Controls that edit a
// bound value register here while they edit (objectDidBeginEditing: and
// objectDidEndEditing:, reached dynamically), so that committing or
// discarding edits can reach them.
class NSController : public NSObject {
    KS_OBJECT(NSController, NSObject)
public:
    virtual void objectDidBeginEditing(NSObject& editor);
    virtual void objectDidEndEditing(NSObject& editor);
    bool isEditing() const;
    // Asks each editor to commit ("commitEditing", when it responds); false
    // when one refuses.
    bool commitEditing();
    // Tells each editor to drop its edit ("discardEditing", when it responds).
    void discardEditing();

    // Told of every editor's begin (true) and end (false) of editing, for
    // whoever writes down what a program did (the driver's transcript).
    // Main thread only; an empty function removes it.
    using EditingHook = std::function<void(NSController& controller, NSObject& editor, bool began)>;
    static void setEditingHook(EditingHook hook);

protected:
    static void describe(ClassDescriptor& d);

private:
    struct Editor {
        NSObject* pointer = nullptr;
        std::weak_ptr<NSObject> reference;
        bool shared = false;
    };
    std::vector<std::shared_ptr<NSObject>> liveEditors();

    std::vector<Editor> editors_;
};
