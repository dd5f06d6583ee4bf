#pragma once

#include "foundation/ClassDescriptor.h"
#include "foundation/Id.h"
#include "foundation/NSController.h"

#include <functional>
#include <memory>

namespace detail {
class ControllerSelection;
}

// A controller of one content object, for bindings. Its keys:
// - "content" (also "contentObject", the name of its content binding): the
//   content itself. Setting it announces "content" and "selection".
// - "selection": a proxy whose keys answer `singleValueForKey`, by default
//   the content's value for the key, the no-selection marker without content
//   and the not-applicable marker for a key the content doesn't have.
//   Observers of "selection.<key>" hear of new content and of changes of the
//   content's own key.
// - "content.<key>" on a dictionary content reads and writes its entries. A
//   dictionary is a value, so the controller keeps it and replaces it on
//   every write, announcing the change like new content; writing nil removes
//   the entry.
class NSObjectController : public NSController {
    KS_OBJECT(NSObjectController, NSController)
public:
    NSObjectController();
    explicit NSObjectController(Id content);
    ~NSObjectController() override;

    const Id& content() const { return content_; }
    virtual void setContent(const Id& content);

    // The proxy of the selection; the same object for the controller's life.
    Id selection();
    // The content in an array, or empty.
    Array selectedObjects() const;

    // What the selection answers for one key: the hook that subclasses with
    // computed selection values override.
    virtual Id singleValueForKey(const String& key);

    // The class of the content that newObject makes: nullptr stands for a
    // mutable dictionary, the platform's default.
    virtual const ClassDescriptor* objectClass() const { return objectClass_; }
    void setObjectClass(const ClassDescriptor* objectClass, std::function<Id()> make = {});
    // A new content object: an empty dictionary, or one made by the function
    // given with the object class (without one, an internal-inconsistency
    // exception).
    virtual Id newObject();
    // Content in and out; through the content binding when there is one.
    virtual void addObject(const Id& object);
    virtual void removeObject(const Id& object);

    void setValueForKeyPath(const Id& value, const String& keyPath) override;
    bool automaticallyNotifiesObserversForKey(const String& key) const override;

protected:
    static void describe(ClassDescriptor& d);

private:
    // Replaces the content and announces it, identical or not.
    void replaceContent(const Id& content);

    Id content_;
    const ClassDescriptor* objectClass_ = nullptr;
    std::function<Id()> makeObject_;
    std::shared_ptr<detail::ControllerSelection> selection_;
};
