// What assistive software reads of a program's own views: the elements of
// a window's view tree, their roles, texts and actions.

#include "appkit/NSAccessibilityConstants.h"
#include "appkit/NSAccessibilityTree.h"
#include "appkit/NSView.h"
#include "appkit/NSWindow.h"

#include <utility>

namespace {

struct RoleName {
    const char* role;
    const char* description;
};

constexpr RoleName kRoleNames[] = {
    {NSAccessibilityWindowRole, "window"},
    {NSAccessibilityGroupRole, "group"},
    {NSAccessibilityButtonRole, "button"},
    {NSAccessibilityCheckBoxRole, "checkbox"},
    {NSAccessibilityRadioButtonRole, "radio button"},
    {NSAccessibilityStaticTextRole, "text"},
    {NSAccessibilityTextFieldRole, "text field"},
};

std::string quoted(const String& text)
{
    std::string result = "\"";
    for (char c : text.utf8()) {
        if (c == '"' || c == '\\')
            result += '\\';
        result += c;
    }
    return result + "\"";
}

std::string describeElement(NSView& view)
{
    String role = view.accessibilityRole();
    std::string line = role.utf8();
    if (String label = view.accessibilityLabel(); !label.empty())
        line += " " + quoted(label);
    String description = view.accessibilityRoleDescription();
    if (description.empty())
        description = NSAccessibilityRoleDescription(role);
    line += " (" + description.utf8() + ")";
    if (String value = view.accessibilityValue(); !value.empty())
        line += " value=" + quoted(value);
    if (String help = view.accessibilityHelp(); !help.empty())
        line += " help=" + quoted(help);
    if (!view.isAccessibilityEnabled())
        line += " disabled";
    auto actions = view.accessibilityActionNames();
    if (!actions.empty()) {
        line += " [";
        for (std::size_t i = 0; i < actions.size(); ++i)
            line += (i ? ", " : "") + actions[i].utf8();
        line += "]";
    }
    return line;
}

void describeTree(NSView& view, int depth, std::vector<std::string>& lines)
{
    if (view.isHidden())
        return;
    int childDepth = depth;
    if (view.isAccessibilityElement()) {
        lines.push_back(std::string(static_cast<std::size_t>(depth) * 2, ' ') + describeElement(view));
        childDepth = depth + 1;
    }
    // A copy: reading an element may not change the tree, but a view that
    // lays itself out on demand might.
    auto subviews = view.subviews();
    for (const auto& subview : subviews)
        describeTree(*subview, childDepth, lines);
}

}  // namespace

String NSView::accessibilityRole()
{
    return NSAccessibilityGroupRole;
}

std::shared_ptr<NSView> NSView::accessibilityHitTest(NSPoint point)
{
    auto superview = this->superview();
    NSPoint inSuperview = superview ? superview->convertPointFromView(point, nullptr) : point;
    for (auto view = hitTest(inSuperview); view; view = view->superview())
        if (view->isAccessibilityElement())
            return view;
    return nullptr;
}

String NSAccessibilityRoleDescription(const String& role)
{
    for (const RoleName& name : kRoleNames)
        if (role == name.role)
            return name.description;
    return role;
}

std::vector<std::string> NSAccessibilityTreeLines(NSWindow& window)
{
    std::vector<std::string> lines;
    std::string title = std::string(NSAccessibilityWindowRole);
    if (!window.title().empty())
        title += " " + quoted(window.title());
    lines.push_back(title + " (" + NSAccessibilityRoleDescription(NSAccessibilityWindowRole).utf8() + ")");
    if (auto content = window.contentView())
        describeTree(*content, 1, lines);
    return lines;
}
