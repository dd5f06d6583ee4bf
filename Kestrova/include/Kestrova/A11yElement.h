#pragma once

#include "accessibility/AXUIElement.h"
#include "coregraphics/CGGeometry.h"
#include "foundation/String.h"

#include <sys/types.h>

#include <memory>
#include <optional>
#include <vector>

// One element of another application through the Accessibility interface:
// the application itself, or one of its windows. Reads never fail loudly:
// each has a fixed answer for when the interface doesn't give one (no
// trust, a hung or vanished application, an attribute it won't read), and
// writes ignore their results.
//
// A reference type, so that copies of a RunningApp and the saved window
// orders share one object; made with std::make_shared (raise() holds the
// element weakly while its click waits). Main thread only.
class A11yElement : public std::enable_shared_from_this<A11yElement> {
public:
    // Takes over the reference.
    explicit A11yElement(AXUIElementRef axuiElement);
    // The element of the application running as `pid`.
    static std::shared_ptr<A11yElement> forApplication(pid_t pid);

    // What stands for a title that can't be read.
    static constexpr const char* unknownTitle = "Unknown";

    const AXUIElementRef& axuiElement() const { return axuiElement_; }

    // The title, also when it is empty; "Unknown" when it can't be read or
    // isn't text.
    String title() const;
    // An application's windows, in the order the interface gives them; none
    // when they can't be read.
    std::vector<std::shared_ptr<A11yElement>> windows() const;
    // A window's number in the window server; 0 when it can't be read.
    CGWindowID windowNumber() const;
    // Whether two window elements stand for the same window. The numbers
    // decide when both can be read; otherwise the elements themselves do, so
    // that windows whose numbers the interface won't give are still told
    // apart (and each still recognised at the next reading).
    bool isSameWindow(const A11yElement& other) const;
    static bool isSameWindow(const A11yElement& a, CGWindowID aNumber, const A11yElement& b, CGWindowID bNumber);

    // Makes the window its application's main, main and focused window.
    // With two or more screens the window might sit on a screen that doesn't
    // have the focus, so 0.02 s later (once the caller's activation is under
    // way) the pointer is moved to the window's centre and clicked there,
    // unless the element has gone meanwhile.
    void raise();
    // Moves the pointer to the window's centre and clicks the left button
    // there. A window whose position or size can't be read isn't clicked at
    // all: a centre made of fallback zeros lies near the screen's corner, on
    // whatever window happens to be there.
    void clickAtCenter() const;
    // The centre clickAtCenter() aims at; none when position or size can't be
    // read.
    std::optional<CGPoint> center() const;

private:
    AXUIElementRef axuiElement_;
};

// The windows of an application element that are worth listing, in order:
// those with a readable title that isn't empty, isn't "Unknown" and doesn't
// begin with "Find in page" (the find bar some browsers show as a window).
std::vector<std::shared_ptr<A11yElement>> titledWindows(const A11yElement& application);
