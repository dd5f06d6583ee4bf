#pragma once

#include "foundation/Log.h"
#include "foundation/NSObject.h"

// Every public entry point of the library runs in an activity named after its
// method, so that what the library logs says what it was doing. Class methods
// and factories name themselves with a literal ("+[SRShortcut
// shortcutWithKeyBinding:]"); instance methods use SR_METHOD_ACTIVITY, which
// names the method after the library class of its receiver: an action added
// to the shared hot-key monitor is "-[SRGlobalShortcutMonitor
// addAction:forKeyEvent:]", though the method is the base monitor's. A
// subclass from outside the library (the application's, a test's) doesn't
// rename the library's activities: its library superclass names them.

namespace detail {

// "-[<library class of the receiver> <selector>]", made once per class and
// selector and kept for the life of the process. The library's classes are
// the ones whose names carry its prefix, "SR".
const char* SRMethodActivityName(const ClassDescriptor& receiverClass, const char* selector);

// One call site's last answer, so that a method called again and again on
// receivers of one class (every keystroke, every action) doesn't look the
// name up each time.
class SRMethodActivityNameMemo {
public:
    const char* name(const NSObject& receiver, const char* selector)
    {
        const ClassDescriptor& receiverClass = receiver.classDescriptor();
        if (&receiverClass != class_) {
            name_ = SRMethodActivityName(receiverClass, selector);
            class_ = &receiverClass;
        }
        return name_;
    }

private:
    const ClassDescriptor* class_ = nullptr;
    const char* name_ = nullptr;
};

}  // namespace detail

// Runs the rest of the enclosing scope in the activity of this instance
// method; `selector` is the method's selector, a string literal.
#define SR_METHOD_ACTIVITY(selector)                                                                                   \
    static thread_local ::detail::SRMethodActivityNameMemo srMethodActivityNameMemo;                                   \
    LogActivity srMethodActivity(srMethodActivityNameMemo.name(*this, selector))
