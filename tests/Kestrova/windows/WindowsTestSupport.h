#pragma once

#include "Kestrova/A11yElement.h"
#include "foundation/ScopedVirtualClock.h"
#include "simulation/DesktopDescription.h"
#include "simulation/ScopedDesktop.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

// A desktop from its description; a description that doesn't read fails the
// test and gives an empty desktop.
inline simulation::DesktopState parseDesktop(const std::string& json)
{
    auto result = simulation::DesktopDescription::parse(json);
    if (!result) {
        ADD_FAILURE() << result.error();
        return {};
    }
    return std::move(*result);
}

// The window elements of the application, as the interface gives them.
inline std::vector<std::shared_ptr<A11yElement>> windowsOf(pid_t pid)
{
    return A11yElement::forApplication(pid)->windows();
}

inline std::vector<std::string> titlesOf(const std::vector<std::shared_ptr<A11yElement>>& windows)
{
    std::vector<std::string> titles;
    for (const auto& window : windows)
        titles.push_back(window->title().utf8());
    return titles;
}

// A described desktop on a virtual clock, for the tests of windows through
// the Accessibility interface.
class WindowsTest : public ::testing::Test {
protected:
    explicit WindowsTest(const std::string& json)
        : desktop_(parseDesktop(json))
    {
    }

    simulation::SimulatedDesktop& desktop() { return desktop_.desktop(); }
    void advance(double seconds) { clock_.advance(seconds); }

private:
    ScopedVirtualClock clock_;
    simulation::ScopedDesktop desktop_;
};
