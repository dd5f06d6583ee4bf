#pragma once

#include "accessibility/AXConstants.h"
#include "accessibility/AXError.h"
#include "accessibility/AXValue.h"
#include "coregraphics/CGBase.h"
#include "foundation/Id.h"
#include "foundation/NSObject.h"
#include "foundation/String.h"

#include <sys/types.h>

#include <memory>

// An element of the Accessibility interface: the system-wide element, an
// application by its process, or one window of an application. An element is
// only a name for the thing: every call looks the thing up on the current
// simulated desktop, so an element of a process that quit or a window that
// closed answers kAXErrorInvalidUIElement.
//
// Two elements are equal when they name the same thing: the same process, and
// for windows the same window, however they were obtained.
class AXUIElement : public NSObject {
    KS_OBJECT(AXUIElement, NSObject)

public:
    enum class Kind { SystemWide, Application, Window };

    AXUIElement(Kind kind, pid_t pid, CGWindowID window);

    Kind kind() const { return kind_; }
    pid_t pid() const { return pid_; }
    // The window's identity on the desktop, whatever the private number call
    // answers for it.
    CGWindowID window() const { return window_; }

    bool isEqual(const Id& other) const override;
    std::size_t hash() const override;
    String description() const override;

private:
    Kind kind_;
    pid_t pid_;
    CGWindowID window_;
};

// Shared ownership stands for the platform's retain and release; nullptr for
// no element.
using AXUIElementRef = std::shared_ptr<AXUIElement>;

AXUIElementRef AXUIElementCreateSystemWide();
// Always answers an element, also for a pid that doesn't run: that shows
// when the element is used.
AXUIElementRef AXUIElementCreateApplication(pid_t pid);
AXError AXUIElementGetPid(const AXUIElementRef& element, pid_t* pid);

// `value` is set to the answer on success and to nil otherwise. Without
// Accessibility trust every call answers kAXErrorAPIDisabled.
//
// Answers: strings for roles, subroles and titles (kAXErrorNoValue when a
// window or application has none); Booleans for main, focused, minimised,
// frontmost and hidden; an Array of window elements, front to back, for the
// windows; an element for the main and focused window (kAXErrorNoValue when
// there is none) and the focused application; AXValue points and sizes for
// position and size.
AXError AXUIElementCopyAttributeValue(const AXUIElementRef& element, const String& attribute, Id* value);

// Writable: a window's main (true raises it within its application and makes
// it main and focused; so do its main window and focused window, written as
// Booleans on the window itself), focused, minimised, position (an AXValue
// point) and size (an AXValue size); an application's frontmost (true
// activates it),
// hidden, and main and focused window (a window element of that
// application). A value of the wrong kind answers kAXErrorIllegalArgument,
// anything else kAXErrorAttributeUnsupported.
AXError AXUIElementSetAttributeValue(const AXUIElementRef& element, const String& attribute, const Id& value);

// Windows answer kAXRaiseAction: the window comes to the front of its
// application and becomes main and focused; the application is not
// activated.
AXError AXUIElementPerformAction(const AXUIElementRef& element, const String& action);

// Whether our own process may use the interface.
bool AXIsProcessTrusted();
// With kAXTrustedCheckOptionPrompt true and no trust yet, the system shows
// its dialog asking the user for it; the answer is the trust at the time of
// asking, as the dialog doesn't wait.
bool AXIsProcessTrustedWithOptions(const Dictionary& options = Dictionary());
