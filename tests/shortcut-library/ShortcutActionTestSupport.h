#pragma once

// Small fakes shared by the tests of actions and monitors: shortcuts made
// without a keyboard layout, an observable value, and targets that record
// what they were sent.

#include "foundation/NSObject.h"
#include "shortcut-library/SRShortcut.h"
#include "shortcut-library/SRShortcutAction.h"

#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace testing_support {

// Texts are given (empty), so no keyboard layout is consulted.
inline std::shared_ptr<SRShortcut> makeShortcut(SRKeyCode code, NSEventModifierFlags flags = 0)
{
    return std::make_shared<SRShortcut>(code, flags, String(), String());
}

// What happened, in order, as short texts.
class Journal {
public:
    void record(std::string event)
    {
        std::lock_guard lock(mutex_);
        events_.push_back(std::move(event));
    }
    std::vector<std::string> take()
    {
        std::lock_guard lock(mutex_);
        return std::exchange(events_, {});
    }

private:
    std::mutex mutex_;
    std::vector<std::string> events_;
};

// One key-value observable value under the key "value".
class ValueHolder : public NSObject {
    KS_OBJECT(ValueHolder, NSObject)
public:
    void setValue(const Id& value)
    {
        automaticChange("value", [&] { value_ = value; });
    }
    const Id& value() const { return value_; }

protected:
    static void describe(ClassDescriptor& d)
    {
        d.property<ValueHolder>(
            "value", [](ValueHolder& self) { return self.value_; },
            [](ValueHolder& self, const Id& value) { self.setValue(value); });
    }

private:
    Id value_;
};

inline std::string tagOfSender(const Id& sender)
{
    auto action = sender.object<SRShortcutAction>();
    return action ? std::to_string(action->tag()) : "?";
}

// Answers the selectors the perform tests use and records each call with the
// tag of the action that sent it.
class RecordingTarget : public NSObject {
    KS_OBJECT(RecordingTarget, NSObject)
public:
    Journal journal;

protected:
    static void describe(ClassDescriptor& d)
    {
        d.method<RecordingTarget>("answerYes:", ReturnKind::Boolean, [](RecordingTarget& self, std::span<const Id> a) {
            self.journal.record("answerYes:" + tagOfSender(a[0]));
            return Id::boolean(true);
        });
        d.method<RecordingTarget>("answerNo:", ReturnKind::Boolean, [](RecordingTarget& self, std::span<const Id> a) {
            self.journal.record("answerNo:" + tagOfSender(a[0]));
            return Id::boolean(false);
        });
        d.method<RecordingTarget>("returnsVoid:", ReturnKind::Void, [](RecordingTarget& self, std::span<const Id> a) {
            self.journal.record("returnsVoid:" + tagOfSender(a[0]));
            return Id();
        });
        d.method<RecordingTarget>("returnsObject:", ReturnKind::Object,
                                  [](RecordingTarget& self, std::span<const Id> a) {
                                      self.journal.record("returnsObject:" + tagOfSender(a[0]));
                                      return Id::boolean(false);
                                  });
        d.method<RecordingTarget>("noArguments", ReturnKind::Boolean, [](RecordingTarget& self, std::span<const Id>) {
            self.journal.record("noArguments");
            return Id::boolean(true);
        });
        d.method<RecordingTarget>("takes:two:", ReturnKind::Boolean, [](RecordingTarget& self, std::span<const Id>) {
            self.journal.record("takes:two:");
            return Id::boolean(true);
        });
    }
};

// Adopts the protocol in C++.
class ProtocolTarget : public RecordingTarget, public SRShortcutActionTarget {
    KS_OBJECT(ProtocolTarget, RecordingTarget)
public:
    explicit ProtocolTarget(bool answer = true)
        : answer_(answer)
    {
    }
    bool performShortcutAction(SRShortcutAction& action) override
    {
        journal.record("performShortcutAction:" + std::to_string(action.tag()));
        return answer_;
    }

private:
    bool answer_;
};

// Answers the protocol's selector through its method table only.
class DynamicProtocolTarget : public RecordingTarget {
    KS_OBJECT(DynamicProtocolTarget, RecordingTarget)
protected:
    static void describe(ClassDescriptor& d)
    {
        d.method<DynamicProtocolTarget>("performShortcutAction:", ReturnKind::Boolean,
                                        [](DynamicProtocolTarget& self, std::span<const Id> a) {
                                            self.journal.record("performShortcutAction:" + tagOfSender(a[0]));
                                            return Id::boolean(true);
                                        });
    }
};

// Validates every item with a fixed answer.
class ValidatingTarget : public ProtocolTarget {
    KS_OBJECT(ValidatingTarget, ProtocolTarget)
public:
    explicit ValidatingTarget(bool allow)
        : allow_(allow)
    {
    }

protected:
    static void describe(ClassDescriptor& d)
    {
        d.method<ValidatingTarget>("validateUserInterfaceItem:", ReturnKind::Boolean,
                                   [](ValidatingTarget& self, std::span<const Id> a) {
                                       self.journal.record("validate:" + tagOfSender(a[0]));
                                       return Id::boolean(self.allow_);
                                   });
    }

private:
    bool allow_;
};

}  // namespace testing_support
