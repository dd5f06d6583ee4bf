#include "appkit/NSScreen.h"

#include "simulation/SimulatedDesktop.h"

NSScreen::NSScreen(NSRect frame, NSRect visibleFrame)
    : frame_(frame)
    , visibleFrame_(visibleFrame)
{
}

std::vector<std::shared_ptr<NSScreen>> NSScreen::screens()
{
    auto desktopScreens = simulation::SimulatedDesktop::current()->screens();
    std::vector<std::shared_ptr<NSScreen>> result;
    if (desktopScreens.empty())
        return result;
    CGFloat mainHeight = desktopScreens.front().frame.size.height;
    bool first = true;
    for (const auto& screen : desktopScreens) {
        CGRect global = CGRectStandardize(screen.frame);
        NSRect frame = {{global.origin.x, mainHeight - (global.origin.y + global.size.height)}, global.size};
        NSRect visible = frame;
        if (first)
            visible.size.height -= menuBarHeight;
        result.push_back(std::make_shared<NSScreen>(frame, visible));
        first = false;
    }
    return result;
}

std::shared_ptr<NSScreen> NSScreen::mainScreen()
{
    auto all = screens();
    return all.empty() ? nullptr : all.front();
}

bool NSScreen::isEqual(const Id& other) const
{
    auto screen = other.object<NSScreen>();
    return screen && screen->frame_ == frame_;
}

std::size_t NSScreen::hash() const
{
    return std::hash<double>()(frame_.origin.x) ^ (std::hash<double>()(frame_.origin.y) << 1);
}
