#include "accessibility/AXUIElement.h"

#include "accessibility/AXUIElementPrivate.h"
#include "simulation/SimulatedDesktop.h"

#include <functional>
#include <optional>
#include <string>

using simulation::AccessibilityFailure;
using simulation::SimulatedApplication;
using simulation::SimulatedDesktop;
using simulation::SimulatedWindow;

namespace {

AXError errorFor(AccessibilityFailure failure)
{
    switch (failure) {
    case AccessibilityFailure::Failure:
        return kAXErrorFailure;
    case AccessibilityFailure::IllegalArgument:
        return kAXErrorIllegalArgument;
    case AccessibilityFailure::InvalidUIElement:
        return kAXErrorInvalidUIElement;
    case AccessibilityFailure::CannotComplete:
        return kAXErrorCannotComplete;
    case AccessibilityFailure::AttributeUnsupported:
        return kAXErrorAttributeUnsupported;
    case AccessibilityFailure::ActionUnsupported:
        return kAXErrorActionUnsupported;
    case AccessibilityFailure::NotImplemented:
        return kAXErrorNotImplemented;
    case AccessibilityFailure::APIDisabled:
        return kAXErrorAPIDisabled;
    case AccessibilityFailure::NoValue:
        return kAXErrorNoValue;
    }
    return kAXErrorFailure;
}

Id elementId(AXUIElement::Kind kind, pid_t pid, CGWindowID window = 0)
{
    return Id(std::make_shared<AXUIElement>(kind, pid, window));
}

// What an element names, looked up on the desktop at the time of the call.
struct Target {
    std::shared_ptr<SimulatedDesktop> desktop;
    std::optional<SimulatedApplication> application;
    const SimulatedWindow* window = nullptr;
};

// Finds the application (and window) an element names, or the error that
// every call on it answers: no trust, a process that is gone, a window that
// closed, a hung application.
AXError resolve(const AXUIElementRef& element, Target& target)
{
    if (!element)
        return kAXErrorIllegalArgument;
    target.desktop = SimulatedDesktop::current();
    if (!target.desktop->isTrusted())
        return kAXErrorAPIDisabled;
    if (element->kind() == AXUIElement::Kind::SystemWide)
        return kAXErrorSuccess;
    target.application = target.desktop->application(element->pid());
    if (!target.application || target.application->terminated)
        return kAXErrorInvalidUIElement;
    if (target.application->failures.unresponsive)
        return kAXErrorCannotComplete;
    if (element->kind() == AXUIElement::Kind::Window) {
        target.window = target.application->window(element->window());
        if (!target.window)
            return kAXErrorInvalidUIElement;
    }
    return kAXErrorSuccess;
}

const simulation::AccessibilityFailures& failuresOf(const Target& target)
{
    return target.window ? target.window->failures : target.application->failures;
}

Id readSystemWide(const Target& target, const std::string& name)
{
    if (name == kAXRoleAttribute)
        return Id(String(kAXSystemWideRole));
    if (name == kAXFocusedApplicationAttribute) {
        pid_t frontmost = target.desktop->frontmostApplication();
        return frontmost ? elementId(AXUIElement::Kind::Application, frontmost) : Id::null();
    }
    return Id();
}

// nil: the attribute isn't supported; the null marker: supported, no value.
Id readApplication(const Target& target, const std::string& name)
{
    const auto& application = *target.application;
    if (name == kAXRoleAttribute)
        return Id(String(kAXApplicationRole));
    if (name == kAXTitleAttribute)
        return application.localizedName ? Id(*application.localizedName) : Id::null();
    if (name == kAXWindowsAttribute) {
        Array windows;
        for (const auto& window : application.windows)
            windows.add(elementId(AXUIElement::Kind::Window, application.pid, window.number));
        return Id(windows);
    }
    if (name == kAXMainWindowAttribute || name == kAXFocusedWindowAttribute) {
        CGWindowID window = name == kAXMainWindowAttribute ? application.mainWindow : application.focusedWindow;
        return window ? elementId(AXUIElement::Kind::Window, application.pid, window) : Id::null();
    }
    if (name == kAXFrontmostAttribute)
        return Id::boolean(target.desktop->frontmostApplication() == application.pid);
    if (name == kAXHiddenAttribute)
        return Id::boolean(application.hidden);
    return Id();
}

Id readWindow(const Target& target, const std::string& name)
{
    const auto& application = *target.application;
    const auto& window = *target.window;
    if (name == kAXRoleAttribute)
        return Id(window.role);
    if (name == kAXSubroleAttribute)
        return window.subrole ? Id(*window.subrole) : Id::null();
    if (name == kAXTitleAttribute)
        return window.title ? Id(*window.title) : Id::null();
    if (name == kAXMainAttribute)
        return Id::boolean(application.mainWindow == window.number);
    if (name == kAXFocusedAttribute)
        return Id::boolean(application.focusedWindow == window.number);
    if (name == kAXMinimizedAttribute)
        return Id::boolean(window.minimized);
    if (name == kAXPositionAttribute)
        return Id(std::make_shared<AXValue>(window.frame.origin));
    if (name == kAXSizeAttribute)
        return Id(std::make_shared<AXValue>(window.frame.size));
    return Id();
}

std::optional<pid_t> ownProcess(const SimulatedDesktop& desktop)
{
    pid_t own = desktop.ownProcess();
    return own ? std::optional<pid_t>(own) : std::nullopt;
}

// Raises a window of the target's application through any of the ways that
// make it main, unless a raise failure was injected for it.
AXError raise(const Target& target, CGWindowID number)
{
    const auto* window = target.application->window(number);
    if (!window)
        return kAXErrorInvalidUIElement;
    if (window->failures.unresponsive)
        return kAXErrorCannotComplete;
    if (window->failures.raise)
        return errorFor(*window->failures.raise);
    return target.desktop->raiseWindow(number) ? kAXErrorSuccess : kAXErrorInvalidUIElement;
}

// A window element of the target's own application, as the application's
// main- and focused-window attributes take.
std::optional<CGWindowID> windowOfApplication(const Target& target, const Id& value)
{
    auto element = value.object<AXUIElement>();
    if (!element || element->kind() != AXUIElement::Kind::Window || element->pid() != target.application->pid)
        return std::nullopt;
    return element->window();
}

AXError writeApplication(const Target& target, const std::string& name, const Id& value)
{
    pid_t pid = target.application->pid;
    if (name == kAXFrontmostAttribute || name == kAXHiddenAttribute) {
        if (!value.isBoolean())
            return kAXErrorIllegalArgument;
        if (name == kAXHiddenAttribute)
            return target.desktop->setHidden(pid, value.boolValue()) ? kAXErrorSuccess : kAXErrorCannotComplete;
        // Asking an application to stop being frontmost does nothing: some
        // other one has to be activated instead.
        if (!value.boolValue())
            return kAXErrorSuccess;
        simulation::ActivationRecord request{.requester = ownProcess(*target.desktop), .via = "AXFrontmost"};
        return target.desktop->activate(pid, request) ? kAXErrorSuccess : kAXErrorCannotComplete;
    }
    if (name == kAXMainWindowAttribute || name == kAXFocusedWindowAttribute) {
        auto number = windowOfApplication(target, value);
        if (!number)
            return kAXErrorIllegalArgument;
        if (name == kAXMainWindowAttribute)
            return raise(target, *number);
        return target.desktop->focusWindow(*number) ? kAXErrorSuccess : kAXErrorInvalidUIElement;
    }
    return kAXErrorAttributeUnsupported;
}

AXError writeWindow(const Target& target, const std::string& name, const Id& value)
{
    const auto& window = *target.window;
    // A window takes its application's main- and focused-window attributes
    // as well, as a Boolean about itself: true brings it to the front of its
    // application, as making it main does.
    bool raises = name == kAXMainAttribute || name == kAXMainWindowAttribute || name == kAXFocusedWindowAttribute;
    if (raises || name == kAXFocusedAttribute || name == kAXMinimizedAttribute) {
        if (!value.isBoolean())
            return kAXErrorIllegalArgument;
        bool flag = value.boolValue();
        if (name == kAXMinimizedAttribute)
            return target.desktop->setWindowMinimized(window.number, flag) ? kAXErrorSuccess : kAXErrorInvalidUIElement;
        // Like the frontmost attribute, false asks for nothing that can be
        // done to this window alone.
        if (!flag)
            return kAXErrorSuccess;
        if (raises)
            return raise(target, window.number);
        return target.desktop->focusWindow(window.number) ? kAXErrorSuccess : kAXErrorInvalidUIElement;
    }
    if (name == kAXPositionAttribute || name == kAXSizeAttribute) {
        auto boxed = value.object<AXValue>();
        CGRect frame = window.frame;
        if (name == kAXPositionAttribute) {
            if (!AXValueGetValue(boxed, kAXValueCGPointType, &frame.origin))
                return kAXErrorIllegalArgument;
        } else {
            CGSize size;
            if (!AXValueGetValue(boxed, kAXValueCGSizeType, &size) || size.width < 0 || size.height < 0)
                return kAXErrorIllegalArgument;
            frame.size = size;
        }
        return target.desktop->setWindowFrame(window.number, frame) ? kAXErrorSuccess : kAXErrorInvalidUIElement;
    }
    return kAXErrorAttributeUnsupported;
}

}  // namespace

AXUIElement::AXUIElement(Kind kind, pid_t pid, CGWindowID window)
    : kind_(kind)
    , pid_(kind == Kind::SystemWide ? 0 : pid)
    , window_(kind == Kind::Window ? window : 0)
{
}

bool AXUIElement::isEqual(const Id& other) const
{
    auto element = other.object<AXUIElement>();
    return element && element->kind_ == kind_ && element->pid_ == pid_ && element->window_ == window_;
}

std::size_t AXUIElement::hash() const
{
    return (std::hash<int>{}(static_cast<int>(kind_)) * 31 + std::hash<pid_t>{}(pid_)) * 31 +
           std::hash<CGWindowID>{}(window_);
}

String AXUIElement::description() const
{
    switch (kind_) {
    case Kind::SystemWide:
        return "<AXUIElement System Wide>";
    case Kind::Application:
        return String::format("<AXUIElement Application pid=%d>", int(pid_));
    case Kind::Window:
        return String::format("<AXUIElement Window pid=%d window=%u>", int(pid_), window_);
    }
    return "<AXUIElement>";
}

AXUIElementRef AXUIElementCreateSystemWide()
{
    return std::make_shared<AXUIElement>(AXUIElement::Kind::SystemWide, 0, 0);
}

AXUIElementRef AXUIElementCreateApplication(pid_t pid)
{
    return std::make_shared<AXUIElement>(AXUIElement::Kind::Application, pid, 0);
}

AXError AXUIElementGetPid(const AXUIElementRef& element, pid_t* pid)
{
    if (!element || !pid || element->kind() == AXUIElement::Kind::SystemWide)
        return kAXErrorIllegalArgument;
    *pid = element->pid();
    return kAXErrorSuccess;
}

AXError AXUIElementCopyAttributeValue(const AXUIElementRef& element, const String& attribute, Id* value)
{
    if (!value)
        return kAXErrorIllegalArgument;
    *value = Id();
    Target target;
    if (AXError error = resolve(element, target); error != kAXErrorSuccess)
        return error;
    std::string name = attribute.utf8();
    Id answer;
    if (element->kind() == AXUIElement::Kind::SystemWide) {
        answer = readSystemWide(target, name);
    } else {
        const auto& failures = failuresOf(target);
        if (auto failure = failures.readFailure(attribute))
            return errorFor(*failure);
        if (const Id* injected = failures.valueOverride(attribute)) {
            *value = *injected;
            return kAXErrorSuccess;
        }
        answer = target.window ? readWindow(target, name) : readApplication(target, name);
    }
    if (answer.isNil())
        return kAXErrorAttributeUnsupported;
    if (answer.isNull())
        return kAXErrorNoValue;
    *value = std::move(answer);
    return kAXErrorSuccess;
}

AXError AXUIElementSetAttributeValue(const AXUIElementRef& element, const String& attribute, const Id& value)
{
    Target target;
    if (AXError error = resolve(element, target); error != kAXErrorSuccess)
        return error;
    if (element->kind() == AXUIElement::Kind::SystemWide)
        return kAXErrorAttributeUnsupported;
    if (auto failure = failuresOf(target).writeFailure(attribute))
        return errorFor(*failure);
    std::string name = attribute.utf8();
    return target.window ? writeWindow(target, name, value) : writeApplication(target, name, value);
}

AXError AXUIElementPerformAction(const AXUIElementRef& element, const String& action)
{
    Target target;
    if (AXError error = resolve(element, target); error != kAXErrorSuccess)
        return error;
    if (!target.window || action.utf8() != kAXRaiseAction)
        return kAXErrorActionUnsupported;
    return raise(target, target.window->number);
}

AXError _AXUIElementGetWindow(AXUIElementRef element, CGWindowID* windowNumber)
{
    if (!windowNumber)
        return kAXErrorIllegalArgument;
    Target target;
    if (AXError error = resolve(element, target); error != kAXErrorSuccess)
        return error;
    if (!target.window)
        return kAXErrorIllegalArgument;
    if (target.window->failures.unresponsive)
        return kAXErrorCannotComplete;
    if (target.window->failures.windowNumber)
        return kAXErrorFailure;
    *windowNumber = target.window->number;
    return kAXErrorSuccess;
}

bool AXIsProcessTrusted()
{
    return SimulatedDesktop::current()->isTrusted();
}

bool AXIsProcessTrustedWithOptions(const Dictionary& options)
{
    auto desktop = SimulatedDesktop::current();
    bool trusted = desktop->isTrusted();
    Id prompt = options.objectForKey(Id(String(kAXTrustedCheckOptionPrompt)));
    if (!trusted && prompt.isBoolean() && prompt.boolValue())
        desktop->promptForTrust(ownProcess(*desktop));
    return trusted;
}
