#include "driver/Transcript.h"

#include "ShownViews.h"

#include "appkit/NSApplication.h"
#include "appkit/NSControl.h"
#include "appkit/NSImage.h"
#include "appkit/NSMenu.h"
#include "appkit/NSMenuItem.h"
#include "appkit/NSPopover.h"
#include "appkit/NSStatusBar.h"
#include "appkit/NSStatusBarButton.h"
#include "appkit/NSStatusItem.h"
#include "appkit/NSView.h"
#include "appkit/NSViewController.h"
#include "appkit/NSWindow.h"
#include "foundation/NSController.h"
#include "foundation/NSDistributedNotificationCenter.h"
#include "foundation/NSKeyValueBinding.h"
#include "foundation/NSNotification.h"
#include "foundation/NSNotificationCenter.h"
#include "foundation/NSPathUtilities.h"
#include "foundation/NSUserDefaults.h"
#include "foundation/PrintableText.h"
#include "simulation/DesktopChange.h"
#include "simulation/SimulatedDesktop.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>

namespace {

using detail::isStatusItemWindow;

std::string number(double value)
{
    if (std::floor(value) == value && std::fabs(value) < 1e15)
        return std::to_string(static_cast<long long>(value));
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%g", value);
    return buffer;
}

// The mouse events a program posts, by the raw types of the event calls.
std::string eventTypeName(std::uint32_t type)
{
    switch (type) {
    case 1:
        return "left mouse down";
    case 2:
        return "left mouse up";
    case 3:
        return "right mouse down";
    case 4:
        return "right mouse up";
    case 5:
        return "mouse moved";
    default:
        return "type " + std::to_string(type);
    }
}

std::string optionsText(std::uint64_t options)
{
    std::vector<std::string> names;
    if (options & NSApplicationActivateAllWindows)
        names.push_back("all windows");
    if (options & NSApplicationActivateIgnoringOtherApps)
        names.push_back("ignoring other apps");
    std::string text = "options " + std::to_string(options);
    if (!names.empty()) {
        text += " (";
        for (std::size_t i = 0; i < names.size(); ++i)
            text += (i ? ", " : "") + names[i];
        text += ")";
    }
    return text;
}

bool isPopoverWindow(const NSWindow& window)
{
    return window.className() == String("PopoverWindow");
}

std::string windowLabel(NSWindow& window)
{
    std::string label = window.className().utf8();
    if (!window.title().empty())
        label += " \"" + window.title().utf8() + "\"";
    return label;
}

// An image loaded from a file has no name of its own: it goes by its file's.
std::string imageName(const NSImage& image)
{
    if (!image.name().empty())
        return image.name().utf8();
    return stringByDeletingPathExtension(lastPathComponent(image.path())).utf8();
}

// The first text a view shows, depth first.
std::string firstText(const std::shared_ptr<NSView>& view)
{
    std::vector<std::string> texts;
    detail::collectShownTexts(view, texts);
    return texts.empty() ? std::string() : texts.front();
}

std::string popoverLabel(const NSPopover& popover)
{
    auto content = popover.contentViewController();
    std::string label = content ? content->className().utf8() : std::string("(no content)");
    // Content without a class of its own goes by what it says.
    if (content && content->isMemberOfClass(NSViewController::descriptor()))
        if (auto text = firstText(content->view()); !text.empty())
            label += " \"" + text + "\"";
    NSSize size = popover.contentSize();
    if (auto window = popover.popoverWindow())
        size = window->frame().size;
    label += ", " + number(size.width) + "x" + number(size.height);
    return label;
}

}  // namespace

Transcript::Transcript(std::ostream& out)
    : out_(out)
{
}

Transcript::~Transcript()
{
    stop();
}

std::string Transcript::describe(const Id& value)
{
    if (value.isBoolean())
        return value.boolValue() ? "true" : "false";
    if (value.isNumber())
        return number(value.doubleValue());
    if (const String* text = value.string()) {
        std::string quoted;
        for (char c : text->utf8()) {
            if (c == '"' || c == '\\')
                quoted += '\\';
            quoted += c;
        }
        return "\"" + printable(quoted) + "\"";
    }
    if (const Dictionary* dictionary = value.dictionary()) {
        std::string result = "{";
        bool first = true;
        for (const auto& [key, item] : *dictionary) {
            result += (first ? "" : ", ") + describe(key) + ": " + describe(item);
            first = false;
        }
        return result + "}";
    }
    if (const Array* array = value.array()) {
        std::string result = "[";
        for (std::size_t i = 0; i < array->count(); ++i)
            result += (i ? ", " : "") + describe((*array)[i]);
        return result + "]";
    }
    if (value.isNil())
        return "nil";
    return value.description().utf8();
}

void Transcript::start()
{
    if (started_)
        return;
    started_ = true;
    desktop_ = simulation::SimulatedDesktop::current();
    activationsSeen_ = desktop_->activations().size();
    beepsSeen_ = desktop_->countProgramRecords(simulation::ProgramRecord::Kind::Beep);
    NSController::setEditingHook(
        [this](NSController&, NSObject& editor, bool began) { editingChanged(editor, began); });
    listener_ = desktop_->addListener([this](const simulation::DesktopChange& change) { desktopChanged(change); });

    auto& center = NSNotificationCenter::defaultCenter();
    observers_.push_back(center.addObserverForName(NSPopoverDidShowNotification, Id(), [this](NSNotification& n) {
        auto popover = n.object().object<NSPopover>();
        if (popover)
            pending("popover shown: " + popoverLabel(*popover) +
                    (popover->animates() ? ", animated" : ", not animated"));
    }));
    observers_.push_back(center.addObserverForName(NSPopoverDidCloseNotification, Id(), [this](NSNotification& n) {
        if (auto popover = n.object().object<NSPopover>())
            pending("popover closed: " + popoverLabel(*popover));
    }));
    NSDistributedNotificationCenter::defaultCenter().setPostHook([this](const NSNotification& notification) {
        std::string text = "notification posted: " + notification.name().utf8();
        if (notification.object())
            text += ", object " + describe(notification.object());
        pending(text);
    });

    windows_ = visibleWindows();
    list_ = shownListNow();
    defaults_ = NSUserDefaults::standardUserDefaults().persistentDomain();
    newStorageProblems();
}

void Transcript::stop()
{
    if (!started_)
        return;
    started_ = false;
    listener_.reset();
    for (const auto& observer : observers_)
        NSNotificationCenter::defaultCenter().removeObserver(*observer);
    observers_.clear();
    NSDistributedNotificationCenter::defaultCenter().setPostHook(nullptr);
    NSController::setEditingHook(nullptr);
}

std::string Transcript::printable(std::string_view text)
{
    return printableText(text);
}

void Transcript::line(const std::string& text)
{
    out_ << printable(text) << '\n';
}

void Transcript::command(const std::string& text)
{
    line("> " + text);
}

void Transcript::note(const std::string& text)
{
    line("  " + text);
}

void Transcript::writeTold()
{
    takeActivations();
    takeBeeps();
    // A note may be told while these are written (a log line that catches
    // up): the list is taken first.
    auto told = std::move(pending_);
    pending_.clear();
    for (const auto& text : told)
        note(text);
}

void Transcript::catchUp()
{
    if (started_) {
        writeTold();
        takeDefaults();
    }
    out_.flush();
}

void Transcript::pending(std::string text)
{
    // The requests made so far come before whatever is told now.
    takeActivations();
    takeBeeps();
    pending_.push_back(std::move(text));
}

void Transcript::takeBeeps()
{
    if (!desktop_)
        return;
    std::size_t beeps = desktop_->countProgramRecords(simulation::ProgramRecord::Kind::Beep);
    for (std::size_t i = beepsSeen_; i < beeps; ++i)
        pending_.push_back("beep");
    beepsSeen_ = beeps;
}

void Transcript::editingChanged(NSObject& editor, bool began)
{
    std::string text = editor.className().utf8() + (began ? " begins editing" : " ends editing");
    // What it edits, as its value binding names it, and at the end the value
    // it left there and what it shows.
    Id info = editor.infoForBinding(NSValueBinding);
    const Dictionary* binding = info.dictionary();
    Id keyPathValue = binding ? binding->objectForKey(Id(NSObservedKeyPathKey)) : Id();
    Id observedValue = binding ? binding->objectForKey(Id(NSObservedObjectKey)) : Id();
    const String* keyPath = keyPathValue.string();
    NSObject* observed = observedValue.objectPointer();
    if (keyPath)
        text += " " + keyPath->utf8();
    if (!began && keyPath && observed)
        text += " = " + describe(observed->valueForKeyPath(*keyPath));
    if (!began && dynamic_cast<NSControl*>(&editor)) {
        Id shownValue = editor.valueForKey("stringValue");
        const String* shown = shownValue.string();
        if (shown && !shown->empty())
            text += " (shows \"" + shown->utf8() + "\")";
    }
    pending(std::move(text));
}

std::string Transcript::applicationName(pid_t pid) const
{
    if (pid == 0)
        return "nobody";
    auto application = desktop_ ? desktop_->application(pid) : std::nullopt;
    if (application && application->localizedName)
        return application->localizedName->utf8();
    if (application && application->bundleIdentifier)
        return application->bundleIdentifier->utf8();
    return "pid " + std::to_string(pid);
}

void Transcript::takeActivations()
{
    if (!desktop_)
        return;
    auto activations = desktop_->activations();
    for (std::size_t i = activationsSeen_; i < activations.size(); ++i) {
        const auto& record = activations[i];
        std::string text = "activation of " + applicationName(record.target) + ": " + record.via.utf8();
        if (record.via != String("command") && record.via != String("click") && record.via != String("launch"))
            text += " " + optionsText(record.options);
        if (record.requester)
            text += ", asked by " + applicationName(*record.requester);
        if (record.fromApplication)
            text += ", from " + applicationName(*record.fromApplication);
        if (!record.honoured)
            text += " (refused)";
        pending_.push_back(std::move(text));
    }
    activationsSeen_ = activations.size();
}

void Transcript::desktopChanged(const simulation::DesktopChange& change)
{
    using Kind = simulation::DesktopChange::Kind;
    switch (change.kind) {
    case Kind::ApplicationLaunched:
        pending("launched: " + applicationName(change.pid) + " (pid " + std::to_string(change.pid) + ")");
        break;
    case Kind::ApplicationTerminated:
        pending("quit: " + applicationName(change.pid));
        break;
    case Kind::FrontmostApplicationChanged:
        pending("frontmost: " + applicationName(change.pid) + " (was " + applicationName(change.previousPid) + ")");
        break;
    case Kind::ApplicationHidden:
        pending("hidden: " + applicationName(change.pid));
        break;
    case Kind::ApplicationUnhidden:
        pending("unhidden: " + applicationName(change.pid));
        break;
    case Kind::ActivationPolicyChanged: {
        auto application = desktop_->application(change.pid);
        pending("activation policy of " + applicationName(change.pid) + ": " +
                (application ? simulation::activationPolicyName(application->activationPolicy) : "?"));
        break;
    }
    case Kind::WindowOpened:
    case Kind::WindowClosed:
    case Kind::WindowRaised: {
        const char* what = change.kind == Kind::WindowOpened   ? "opened"
                           : change.kind == Kind::WindowClosed ? "closed"
                                                               : "raised";
        std::string text = std::string("desktop window ") + what + ": " + applicationName(change.pid);
        if (auto location = desktop_->window(change.window); location && location->window.title)
            text += " \"" + location->window.title->utf8() + "\"";
        pending(text);
        break;
    }
    case Kind::TrustChanged:
        pending(std::string("Accessibility trust: ") + (desktop_->isTrusted() ? "granted" : "withdrawn"));
        break;
    case Kind::TrustPrompted:
        pending("Accessibility prompt shown");
        break;
    case Kind::LoginItemChanged:
        pending("login items changed");
        break;
    case Kind::PointerWarped: {
        CGPoint at = desktop_->pointerLocation();
        pending("pointer moved to (" + number(at.x) + ", " + number(at.y) + ")");
        break;
    }
    case Kind::EventPosted: {
        auto events = desktop_->postedEvents();
        if (!events.empty()) {
            const auto& event = events.back();
            pending("event posted: " + eventTypeName(event.type) + " at (" + number(event.location.x) + ", " +
                    number(event.location.y) + ")");
        }
        break;
    }
    default:
        break;
    }
}

std::vector<Transcript::ShownWindow> Transcript::visibleWindows() const
{
    std::vector<ShownWindow> result;
    auto application = NSApp();
    if (!application)
        return result;
    for (const auto& window : application->orderedWindows()) {
        if (isStatusItemWindow(*window) || isPopoverWindow(*window))
            continue;
        result.push_back({window, window.get(), windowLabel(*window)});
    }
    return result;
}

std::vector<std::string> Transcript::statusItems() const
{
    std::vector<std::string> result;
    for (const auto& item : NSStatusBar::systemStatusBar().statusItems()) {
        std::string text;
        auto button = item->button();
        auto image = button ? button->image() : nullptr;
        text += image ? "image \"" + imageName(*image) + "\"" : std::string("no image");
        if (auto menu = item->menu()) {
            text += ", menu: ";
            bool first = true;
            for (const auto& entry : menu->itemArray()) {
                text += (first ? "" : " | ") + (entry->isSeparatorItem() ? std::string("-") : entry->title().utf8());
                first = false;
            }
        } else {
            text += ", no menu";
        }
        result.push_back(text);
    }
    return result;
}

void Transcript::flush()
{
    if (!started_)
        return;
    writeTold();

    // The program's windows: closed ones first, then the new ones front to
    // back.
    auto now = visibleWindows();
    auto keyWindow = NSApp() ? NSApp()->keyWindow() : nullptr;
    for (const auto& old : windows_) {
        bool still =
            std::any_of(now.begin(), now.end(), [&](const ShownWindow& w) { return w.address == old.address; });
        if (!still)
            note("window closed: " + old.label);
    }
    for (const auto& shown : now) {
        bool before = std::any_of(windows_.begin(), windows_.end(),
                                  [&](const ShownWindow& w) { return w.address == shown.address; });
        if (!before)
            note("window shown: " + shown.label + (keyWindow.get() == shown.address ? " (key)" : ""));
    }
    windows_ = std::move(now);
    takeList();

    auto items = statusItems();
    if (items != statusItems_) {
        for (std::size_t i = 0; i < items.size(); ++i)
            if (i >= statusItems_.size() || statusItems_[i] != items[i])
                note("status item: " + items[i]);
        if (items.size() < statusItems_.size())
            note("status item removed");
        statusItems_ = std::move(items);
    }

    takeDefaults();
    out_.flush();
}

void Transcript::takeDefaults()
{
    // The values in memory, with the writes that did not reach the disk told
    // as such.
    NSUserDefaults& standard = NSUserDefaults::standardUserDefaults();
    Dictionary defaults = standard.persistentDomain();
    std::vector<NSUserDefaults::StorageProblem> problems = newStorageProblems();
    std::vector<bool> told(problems.size(), false);
    auto tell = [&](const NSUserDefaults::StorageProblem& problem) {
        told[static_cast<std::size_t>(&problem - problems.data())] = true;
        note(describe(problem, standard.path()));
    };
    for (const auto& problem : problems)
        if (problem.kind != NSUserDefaults::StorageProblem::Kind::WriteFailed)
            tell(problem);
    auto failedWrite = [&](const Id& key) -> const NSUserDefaults::StorageProblem* {
        for (auto it = problems.rbegin(); it != problems.rend(); ++it)
            if (it->kind == NSUserDefaults::StorageProblem::Kind::WriteFailed && Id(it->key) == key)
                return &*it;
        return nullptr;
    };
    auto keyText = [](const Id& key) { return key.string() ? key.string()->utf8() : describe(key); };
    for (const auto& [key, value] : defaults) {
        Id before = defaults_.objectForKey(key);
        if (before && before == value)
            continue;
        if (const auto* failure = failedWrite(key))
            tell(*failure);
        else
            note("default written: " + keyText(key) + " = " + describe(value));
    }
    for (const auto& [key, value] : defaults_) {
        if (defaults.contains(key))
            continue;
        if (const auto* failure = failedWrite(key))
            tell(*failure);
        else
            note("default removed: " + keyText(key));
    }
    for (std::size_t i = 0; i < problems.size(); ++i)
        if (!told[i])
            note(describe(problems[i], standard.path()));
    defaults_ = std::move(defaults);
}

std::vector<NSUserDefaults::StorageProblem> Transcript::newStorageProblems()
{
    std::vector<NSUserDefaults::StorageProblem> fresh;
    for (auto& problem : NSUserDefaults::standardUserDefaults().storageProblems()) {
        if (problem.number > storageProblemsSeen_)
            fresh.push_back(std::move(problem));
    }
    if (!fresh.empty())
        storageProblemsSeen_ = fresh.back().number;
    return fresh;
}

std::vector<std::string> Transcript::takeStorageProblems()
{
    std::vector<std::string> lines;
    std::string path = NSUserDefaults::standardUserDefaults().path();
    for (const auto& problem : newStorageProblems())
        lines.push_back(describe(problem, path));
    return lines;
}

std::string Transcript::describe(const NSUserDefaults::StorageProblem& problem, const std::string& path)
{
    using Kind = NSUserDefaults::StorageProblem::Kind;
    switch (problem.kind) {
    case Kind::MovedAside:
        return "defaults file unreadable: " + path + " (" + problem.reason + "); kept as " + problem.movedTo;
    case Kind::Unreadable:
        return "defaults file unreadable: " + path + " (" + problem.reason + "); it is not written over";
    case Kind::WriteFailed:
        if (problem.value.isNil())
            return "default removal failed: " + problem.key.utf8() + " (" + problem.reason + ")";
        return "default write failed: " + problem.key.utf8() + " = " + describe(problem.value) + " (" + problem.reason +
               ")";
    case Kind::WriteRefused:
        return "default write refused: " + problem.key.utf8() + " (" + problem.reason + ")";
    }
    return {};
}

void Transcript::status()
{
    auto frontmost = desktop_ ? desktop_->frontmostApplication() : 0;
    note("frontmost: " + applicationName(frontmost));
    auto application = NSApp();
    if (!application)
        return;
    bool any = false;
    for (const auto& window : application->orderedWindows()) {
        if (isStatusItemWindow(*window))
            continue;
        any = true;
        std::string label = isPopoverWindow(*window) ? "popover of " : "window ";
        auto content = window->contentViewController();
        std::string text = label + windowLabel(*window);
        if (content)
            text += ", content " + content->className().utf8();
        if (window->isKeyWindow())
            text += " (key)";
        note(text);
    }
    if (!any)
        note("no windows of the program on screen");
}
