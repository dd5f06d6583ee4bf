#include "foundation/NSController.h"

#include <algorithm>

namespace {

NSController::EditingHook& editingHook()
{
    static auto* hook = new NSController::EditingHook;
    return *hook;
}

}  // namespace

void NSController::setEditingHook(EditingHook hook)
{
    editingHook() = std::move(hook);
}

void NSController::describe(ClassDescriptor& d)
{
    d.method<NSController>("objectDidBeginEditing:", ReturnKind::Void,
                           [](NSController& self, std::span<const Id> arguments) {
                               if (NSObject* editor = arguments[0].objectPointer())
                                   self.objectDidBeginEditing(*editor);
                               return Id();
                           });
    d.method<NSController>("objectDidEndEditing:", ReturnKind::Void,
                           [](NSController& self, std::span<const Id> arguments) {
                               if (NSObject* editor = arguments[0].objectPointer())
                                   self.objectDidEndEditing(*editor);
                               return Id();
                           });
    d.method<NSController>("commitEditing", ReturnKind::Boolean,
                           [](NSController& self, std::span<const Id>) { return Id::boolean(self.commitEditing()); });
    d.method<NSController>("discardEditing", ReturnKind::Void, [](NSController& self, std::span<const Id>) {
        self.discardEditing();
        return Id();
    });
}

void NSController::objectDidBeginEditing(NSObject& editor)
{
    for (const auto& e : editors_) {
        if (e.pointer == &editor)
            return;
    }
    Editor entry;
    entry.pointer = &editor;
    entry.reference = editor.weak_from_this();
    entry.shared = !entry.reference.expired();
    editors_.push_back(entry);
    if (auto hook = editingHook())
        hook(*this, editor, true);
}

void NSController::objectDidEndEditing(NSObject& editor)
{
    if (std::erase_if(editors_, [&](const Editor& e) { return e.pointer == &editor; }) == 0)
        return;
    if (auto hook = editingHook())
        hook(*this, editor, false);
}

bool NSController::isEditing() const
{
    return std::any_of(editors_.begin(), editors_.end(),
                       [](const Editor& e) { return !e.shared || !e.reference.expired(); });
}

std::vector<std::shared_ptr<NSObject>> NSController::liveEditors()
{
    std::erase_if(editors_, [](const Editor& e) { return e.shared && e.reference.expired(); });
    std::vector<std::shared_ptr<NSObject>> live;
    for (const auto& e : editors_) {
        // An editor that isn't shared-owned is kept alive by its owner while
        // it edits; hold it with an empty owner for the call.
        live.push_back(e.shared ? e.reference.lock()
                                : std::shared_ptr<NSObject>(std::shared_ptr<NSObject>(), e.pointer));
    }
    return live;
}

bool NSController::commitEditing()
{
    for (const auto& editor : liveEditors()) {
        if (editor && editor->respondsToSelector("commitEditing") &&
            !editor->performSelector("commitEditing").boolValue())
            return false;
    }
    return true;
}

void NSController::discardEditing()
{
    for (const auto& editor : liveEditors()) {
        if (editor && editor->respondsToSelector("discardEditing"))
            editor->performSelector("discardEditing");
    }
}
