// A window as assistive software reads it.
#include "AppKitTestFixture.h"
#include "appkit/NSAccessibilityConstants.h"
#include "appkit/NSAccessibilityTree.h"
#include "appkit/NSButton.h"
#include "appkit/NSTextField.h"
#include "appkit/NSWindow.h"

namespace {

class AccessibilityTreeTest : public AppKitTest { };

TEST_F(AccessibilityTreeTest, ElementsOfTheViewTreeWithTheirRolesTextsAndActions)
{
    auto window = std::make_shared<NSWindow>(NSMakeRect(0, 0, 300, 200));
    window->setTitle("Preferences");
    auto content = std::make_shared<NSView>(NSMakeRect(0, 0, 300, 200));
    window->setContentView(content);
    // A plain view is no element: its subviews' elements take its place.
    auto group = std::make_shared<NSView>(NSMakeRect(0, 0, 300, 100));
    content->addSubview(group);
    auto label = NSTextField::labelWithString("Launch at login");
    group->addSubview(label);
    auto box = std::make_shared<NSButton>(NSMakeRect(10, 40, 120, 20));
    box->setButtonType(NSButtonTypeSwitch);
    box->setTitle("Remember");
    box->setState(1);
    group->addSubview(box);
    auto quit = std::make_shared<NSButton>(NSMakeRect(10, 120, 80, 24));
    quit->setTitle("Quit");
    quit->setEnabled(false);
    content->addSubview(quit);
    auto hidden = std::make_shared<NSButton>(NSMakeRect(10, 150, 80, 24));
    hidden->setHidden(true);
    content->addSubview(hidden);
    auto field = NSTextField::textFieldWithString("Kestrova");
    content->addSubview(field);

    EXPECT_EQ(NSAccessibilityTreeLines(*window), (std::vector<std::string>{
                                                     "AXWindow \"Preferences\" (window)",
                                                     "  AXStaticText (text) value=\"Launch at login\"",
                                                     "  AXCheckBox \"Remember\" (checkbox) value=\"1\" [AXPress]",
                                                     "  AXButton \"Quit\" (button) disabled [AXPress]",
                                                     "  AXTextField (text field) value=\"Kestrova\"",
                                                 }));

    // Pressing a check box clicks it; a disabled button does nothing.
    EXPECT_TRUE(box->accessibilityPerformPress());
    EXPECT_EQ(box->state(), 0);
    EXPECT_FALSE(quit->accessibilityPerformPress());
    // The element under a point is the deepest one there.
    EXPECT_EQ(content->accessibilityHitTest(NSMakePoint(20, 50)), box);
    EXPECT_EQ(content->accessibilityHitTest(NSMakePoint(250, 50)), nullptr);
    EXPECT_EQ(NSAccessibilityRoleDescription("AXSomethingNew").utf8(), "AXSomethingNew");
}

}  // namespace
