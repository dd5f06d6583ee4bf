#include "Kestrova/WindowManager.h"

#include "appkit/NSRunningApplication.h"

#include <algorithm>
#include <set>
#include <utility>

namespace {

// A window with its number as read for this refresh: the numbers can't
// change while the main thread merges, so each is read once rather than at
// every comparison.
struct NumberedWindow {
    std::shared_ptr<A11yElement> element;
    CGWindowID number = 0;
};

std::vector<NumberedWindow> numbered(const WindowManager::Windows& windows)
{
    std::vector<NumberedWindow> result;
    result.reserve(windows.size());
    for (const auto& window : windows)
        result.push_back({window, window->windowNumber()});
    return result;
}

bool containsWindow(const std::vector<NumberedWindow>& windows, const NumberedWindow& window)
{
    return std::any_of(windows.begin(), windows.end(), [&](const NumberedWindow& other) {
        return A11yElement::isSameWindow(*other.element, other.number, *window.element, window.number);
    });
}

}  // namespace

WindowManager& WindowManager::shared()
{
    static auto* manager = new WindowManager;
    return *manager;
}

void WindowManager::resetSharedForTesting()
{
    shared().windowsByPid_.clear();
}

const WindowManager::Windows& WindowManager::windows(pid_t pid) const
{
    static const auto* none = new Windows;
    auto it = windowsByPid_.find(pid);
    return it == windowsByPid_.end() ? *none : it->second;
}

void WindowManager::refreshWindows(const NSRunningApplication& application, const A11yElement& element)
{
    pid_t pid = application.processIdentifier();
    auto current = numbered(titledWindows(element));
    auto saved = numbered(windows(pid));

    // The saved windows that still exist, in the user's order and as the
    // very objects saved; then the windows that are new, in the
    // interface's order.
    std::vector<NumberedWindow> merged;
    merged.reserve(current.size());
    for (auto& window : saved) {
        if (containsWindow(current, window))
            merged.push_back(std::move(window));
    }
    for (auto& window : current) {
        if (!containsWindow(merged, window))
            merged.push_back(std::move(window));
    }

    Windows result;
    result.reserve(merged.size());
    for (auto& window : merged)
        result.push_back(std::move(window.element));
    windowsByPid_[pid] = std::move(result);
}

void WindowManager::pruneWindows(const std::vector<RunningApp>& keeping)
{
    std::set<pid_t> listed;
    for (const auto& app : keeping) {
        if (app.runningApplication)
            listed.insert(app.runningApplication->processIdentifier());
    }
    std::erase_if(windowsByPid_, [&](const auto& entry) { return !listed.contains(entry.first); });
}

void WindowManager::moveWindow(const NSIndexPath& from, const NSIndexPath& to, const NSRunningApplication& application)
{
    auto it = windowsByPid_.find(application.processIdentifier());
    if (it == windowsByPid_.end())
        return;
    Windows& list = it->second;
    const auto count = static_cast<long>(list.size());
    // The drag always starts on a row of this list and ends in one of its
    // gaps; anything else is refused rather than taken as an order.
    if (from.item() < 0 || from.item() >= count || to.item() < 0 || to.item() > count)
        return;
    // Removing the dragged row shifts the rows below it up by one.
    long destination = to.item() > from.item() ? to.item() - 1 : to.item();
    auto window = std::move(list[static_cast<std::size_t>(from.item())]);
    list.erase(list.begin() + from.item());
    list.insert(list.begin() + destination, std::move(window));
}
