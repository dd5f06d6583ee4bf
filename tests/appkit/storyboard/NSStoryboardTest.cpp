#include "appkit/NSStoryboard.h"

#include "TemporaryFolder.h"
#include "appkit/NSApplication.h"
#include "appkit/NSApplicationDelegate.h"
#include "appkit/NSApplicationEnvironment.h"
#include "appkit/NSApplicationMain.h"
#include "appkit/NSButton.h"
#include "appkit/NSMenu.h"
#include "appkit/NSMenuItem.h"
#include "appkit/NSSeguePerforming.h"
#include "appkit/NSStoryboardSegue.h"
#include "appkit/NSTextField.h"
#include "appkit/NSView.h"
#include "appkit/NSViewController.h"
#include "appkit/NSWindow.h"
#include "appkit/NSWindowController.h"
#include "appkit/NSWindowDelegate.h"
#include "foundation/Log.h"
#include "foundation/NSBundle.h"
#include "foundation/NSException.h"
#include "foundation/NSUserDefaults.h"
#include "foundation/NSUserDefaultsController.h"
#include "foundation/ScopedVirtualClock.h"
#include "simulation/ScopedDesktop.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

// A controller with an outlet that writes down what it saw when its view
// loaded, and which segues it was asked about.
class NoteController : public NSViewController, public NSSeguePerforming {
    KS_OBJECT(NoteController, NSViewController)

public:
    std::shared_ptr<NSTextField> label;
    std::vector<std::string> log;
    bool allowSegues = true;

    void viewDidLoad() override
    {
        log.push_back(label ? "loaded with label " + label->stringValue().utf8() : "loaded without label");
    }
    bool shouldPerformSegueWithIdentifier(const String& identifier, const Id&) override
    {
        log.push_back("should " + identifier.utf8());
        return allowSegues;
    }
    void prepareForSegue(NSStoryboardSegue& segue, const Id& sender) override
    {
        log.push_back("prepare " + segue.identifier().utf8() + " for " +
                      segue.destinationController().objectPointer()->className().utf8() + " sender " +
                      (sender.string() ? sender.string()->utf8() : "nil"));
    }

protected:
    static void describe(ClassDescriptor& d)
    {
        d.property<NoteController>(
            "label", [](NoteController& c) { return Id(c.label); },
            [](NoteController& c, const Id& value) { c.label = value.object<NSTextField>(); });
    }
};

class NoteWindowController : public NSWindowController, public NSWindowDelegate {
    KS_OBJECT(NoteWindowController, NSWindowController)

public:
    int windowDidLoadCount = 0;
    std::shared_ptr<NSViewController> contentAtLoad;
    void windowDidLoad() override
    {
        ++windowDidLoadCount;
        contentAtLoad = contentViewController();
    }
};

class NoteDelegate : public NSObject, public NSApplicationDelegate {
    KS_OBJECT(NoteDelegate, NSObject)

public:
    std::shared_ptr<NSMenu> menu;
    int launches = 0;
    void applicationDidFinishLaunching(NSNotification&) override { ++launches; }

protected:
    static void describe(ClassDescriptor& d)
    {
        d.property<NoteDelegate>(
            "menu", [](NoteDelegate& self) { return Id(self.menu); },
            [](NoteDelegate& self, const Id& value) { self.menu = value.object<NSMenu>(); });
        d.method<NoteDelegate>("chosen:", ReturnKind::Void, [](NoteDelegate&, std::span<const Id>) { return Id(); });
    }
};

// A segue that says it ran.
class NoteSegue : public NSStoryboardSegue {
    KS_OBJECT(NoteSegue, NSStoryboardSegue)

public:
    using NSStoryboardSegue::NSStoryboardSegue;
    void perform() override
    {
        if (auto source = sourceController().object<NoteController>())
            source->log.push_back("perform " + identifier().utf8());
    }
};

class NSStoryboardTest : public ::testing::Test {
protected:
    NSStoryboardTest()
    {
        NSStoryboard::registerClass<NoteController>();
        NSStoryboard::registerClass<NoteWindowController>();
        NSStoryboard::registerClass<NoteDelegate>();
        NSStoryboard::registerSegueClass<NoteSegue>();
        NSApplication::resetForTesting();
    }
    ~NSStoryboardTest() override { NSApplication::resetForTesting(); }

    static std::shared_ptr<NSStoryboard> load(const std::string& json)
    {
        auto read = NSStoryboard::storyboardWithData(json, nullptr);
        EXPECT_TRUE(read.ok()) << read.error();
        return read.ok() ? *read : nullptr;
    }

    static std::string refusal(const std::string& json)
    {
        auto read = NSStoryboard::storyboardWithData(json, nullptr);
        return read.ok() ? std::string("(accepted)") : read.error();
    }

    ScopedVirtualClock clock_;
    simulation::ScopedDesktop desktop_{simulation::DesktopState{}};
};

TEST_F(NSStoryboardTest, RefusesABrokenDescriptionAndSaysWhere)
{
    struct Case {
        const char* json;
        const char* error;
    };
    const Case cases[] = {
        {"{", "not valid JSON"},
        {"[]", "storyboard: expected an object"},
        {R"({"scenes": [{"identifier": "A", "controller": {"class": "Nope"}}]})",
         "scenes[0].controller.class: unknown class 'Nope'"},
        {R"({"scenes": [{"identifier": "A", "controller": {"class": "NSViewController", "colour": 1}}]})",
         "scenes[0].controller: unknown key 'colour'"},
        {R"({"scenes": [{"identifier": "A", "controller": {"class": "NSViewController",
             "properties": {"frameSize": 3}}}]})",
         "scenes[0].controller.properties.frameSize: NSViewController has no settable key 'frameSize'"},
        {R"({"scenes": [{"identifier": "A", "controller": {"class": "NoteController", "outlets": {"label": "x"}}}]})",
         "scenes[0].controller.outlets.label: no object 'x' in the scene"},
        {R"({"scenes": [{"identifier": "A", "controller": {"class": "NSViewController", "id": "a",
             "view": {"class": "NSView", "id": "a"}}}]})",
         "scenes[0].controller.view.id: the identifier 'a' is used twice in the scene"},
        {R"({"scenes": [{"identifier": "A", "controller": {"class": "NSViewController"}},
                        {"identifier": "A", "controller": {"class": "NSViewController"}}]})",
         "scenes[1].identifier: the scene 'A' is given twice"},
        {R"({"scenes": [{"identifier": "A", "controller": {"class": "NSViewController", "children": ["B"]}},
                        {"identifier": "B", "controller": {"class": "NSViewController", "children": ["A"]}}]})",
         "scenes[1].controller.children[0]: the scene 'A' would contain itself"},
        {R"({"scenes": [{"identifier": "A", "controller": {"class": "NSViewController",
             "segues": [{"identifier": "S", "destination": "Z"}]}}]})",
         "scenes[0].controller.segues[0].destination: no scene 'Z'"},
        {R"({"scenes": [{"identifier": "A", "controller": {"class": "NSViewController",
             "segues": [{"identifier": "S", "class": "Warp", "destination": "A"}]}}]})",
         "scenes[0].controller.segues[0].class: unknown segue class 'Warp'"},
        {R"({"scenes": [{"identifier": "A", "controller": {"class": "NSView"}}]})",
         "scenes[0].controller.class: NSView is not a controller"},
        {R"({"scenes": [{"identifier": "A", "controller": {"class": "NSViewController",
             "view": {"class": "NSView", "action": {"selector": "go:"}}}}]})",
         "scenes[0].controller.view.action: only controls and menu items send actions"},
        {R"({"scenes": [{"identifier": "A", "controller": {"class": "NSViewController",
             "view": {"class": "NSWindow"}}}]})",
         "scenes[0].controller.view.class: NSWindow is not a view"},
        {R"({"scenes": [{"identifier": "A", "controller": {"class": "NSViewController",
             "view": {"class": "NSView", "frame": [0, 0, -1, 2]}}}]})",
         "scenes[0].controller.view.frame: a size can't be negative"},
        {R"({"scenes": [{"identifier": "A", "controller": {"class": "NSViewController",
             "view": {"class": "NSView", "segues": []}}}]})",
         "scenes[0].controller.view.segues: only controllers perform segues"},
        {R"({"scenes": [{"identifier": "A", "controller": {"class": "NSViewController",
             "view": {"class": "NSView", "delegate": "x"}}}]})",
         "scenes[0].controller.view.delegate: only windows and popovers have a delegate here"},
        {R"({"application": {"objects": [{"class": "NSMenu",
             "items": [{"class": "NSMenuItem", "keyEquivalentModifierMask": ["command", "hyper"]}]}]}})",
         "application.objects[0].items[0].keyEquivalentModifierMask[1]: unknown flag 'hyper'"},
        {R"({"initialController": "Q", "scenes": []})", "initialController: no scene 'Q'"},
        {R"({"application": {"outlets": {"delegate": "d"}, "objects": []}})",
         "application.outlets.delegate: no top-level object 'd' in the scene"},
        {R"({"application": {"outlets": {"dock": "d"}}})",
         "application.outlets.dock: the application has no outlet 'dock'"},
        {R"({"scenes": [{"identifier": "A", "controller": {"class": "NSViewController",
             "view": {"class": "NSView", "id": "v", "constraints": [{"first": "v"}]}}}]})",
         "scenes[0].controller.view.constraints[0].first: expected an object's identifier and an attribute, such as "
         "'icon.leading'"},
        {R"({"scenes": [{"identifier": "A", "controller": {"class": "NSViewController",
             "view": {"class": "NSView", "id": "v", "constraints": [{"first": "v.middle"}]}}}]})",
         "scenes[0].controller.view.constraints[0].first: unknown attribute 'middle'"},
        {R"({"scenes": [{"identifier": "A", "controller": {"class": "NSViewController",
             "view": {"class": "NSView", "constraints": [{"first": "w.width", "constant": 3}]}}}]})",
         "scenes[0].controller.view.constraints[0].first: no object 'w' in the scene"},
        {R"({"scenes": [{"identifier": "A", "controller": {"class": "NSViewController",
             "view": {"class": "NSView", "id": "v", "constraints": [{"first": "v.width", "relation": "="}]}}}]})",
         "scenes[0].controller.view.constraints[0].relation: expected '==', '<=' or '>='"},
        {R"({"scenes": [{"identifier": "A", "controller": {"class": "NSViewController",
             "view": {"class": "NSView", "id": "v", "constraints": [{"first": "v.width", "priority": 1001}]}}}]})",
         "scenes[0].controller.view.constraints[0].priority: expected a priority from 1 to 1000"},
        {R"({"scenes": [{"identifier": "A", "controller": {"class": "NSViewController",
             "view": {"class": "NSView", "id": "v", "constraints": [{"first": "v.width", "multiplier": 2}]}}}]})",
         "scenes[0].controller.view.constraints[0].multiplier: a multiplier needs a second item"},
        {R"({"scenes": [{"identifier": "A", "controller": {"class": "NSViewController",
             "view": {"class": "NSView", "id": "v", "constraints": [{"first": "v.leading", "constant": 3}]}}}]})",
         "scenes[0].controller.view.constraints[0]: only a width or a height can be held to a constant"},
        {R"({"scenes": [{"identifier": "A", "controller": {"class": "NSViewController", "id": "c",
             "constraints": [{"first": "c.width"}]}}]})",
         "scenes[0].controller.constraints: only views hold constraints"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.json);
        EXPECT_EQ(refusal(c.json), c.error);
    }
}

TEST_F(NSStoryboardTest, MakesAFreshConnectedSceneEachTime)
{
    auto storyboard = load(R"({
      "scenes": [{
        "identifier": "Notes",
        "controller": {
          "id": "notes", "class": "NoteController", "outlets": {"label": "label"},
          "properties": {"title": "Notes"},
          "view": {
            "class": "NSView", "frame": [0, 0, 200, 100],
            "subviews": [
              {"id": "label", "class": "NSTextField", "frame": [10, 10, 100, 20], "properties": {"stringValue": "hi"}},
              {"class": "NSButton", "properties": {"title": "Go"}, "action": {"selector": "go:", "target": "notes"}},
              {"class": "NSButton", "properties": {"title": "Up"}, "action": {"selector": "up:"}}
            ]
          }
        }
      }]
    })");
    ASSERT_TRUE(storyboard);
    auto controller = storyboard->instantiateControllerWithIdentifier("Notes").object<NoteController>();
    ASSERT_TRUE(controller);
    EXPECT_EQ(controller->title(), String("Notes"));
    EXPECT_TRUE(controller->log.empty()) << "the view loads on first use";
    EXPECT_EQ(controller->storyboard(), storyboard);

    auto view = controller->view();
    EXPECT_EQ(controller->log, (std::vector<std::string>{"loaded with label hi"}));
    EXPECT_EQ(view->frame(), NSMakeRect(0, 0, 200, 100));
    ASSERT_EQ(view->subviews().size(), 3u);
    EXPECT_EQ(view->subviews()[0], controller->label);
    auto go = std::dynamic_pointer_cast<NSButton>(view->subviews()[1]);
    EXPECT_EQ(go->action(), Selector("go:"));
    EXPECT_EQ(go->target().objectPointer(), controller.get());
    auto up = std::dynamic_pointer_cast<NSButton>(view->subviews()[2]);
    EXPECT_FALSE(up->target()) << "no target: the first responder";

    auto second = storyboard->instantiateControllerWithIdentifier("Notes").object<NoteController>();
    EXPECT_NE(second, controller);
    EXPECT_NE(second->view(), view);
}

TEST_F(NSStoryboardTest, WindowsAndEmbeddedControllersArriveOnFirstUse)
{
    auto storyboard = load(R"({
      "initialController": "Window",
      "scenes": [
        {"identifier": "Window", "controller": {
          "id": "owner", "class": "NoteWindowController",
          "window": {"class": "NSWindow", "frame": [0, 0, 300, 200], "styleMask": ["titled"], "delegate": "owner",
                     "properties": {"title": "Notes"}},
          "contentViewController": "Stack"}},
        {"identifier": "Stack", "controller": {
          "class": "NSViewController", "view": {"class": "NSView", "frame": [0, 0, 300, 200]},
          "children": [{"class": "NoteController", "view": {"class": "NSView", "frame": [0, 0, 10, 10]}}]}}
      ]
    })");
    ASSERT_TRUE(storyboard);
    auto controller = storyboard->instantiateInitialController().object<NoteWindowController>();
    ASSERT_TRUE(controller);
    EXPECT_EQ(controller->windowDidLoadCount, 0);
    auto window = controller->window();
    EXPECT_EQ(controller->windowDidLoadCount, 1);
    EXPECT_EQ(window->title(), String("Notes"));
    EXPECT_EQ(window->styleMask(), NSWindowStyleMaskTitled);
    EXPECT_EQ(window->delegate().get(), static_cast<NSWindowDelegate*>(controller.get()));
    EXPECT_EQ(window->windowController(), controller);

    auto content = controller->contentAtLoad;
    ASSERT_TRUE(content) << "the content is in place when windowDidLoad runs";
    ASSERT_EQ(content->childViewControllers().size(), 1u);
    auto child = content->childViewControllers()[0];
    EXPECT_EQ(child->view()->superview(), content->view());
    EXPECT_EQ(child->view()->frame(), content->view()->bounds());
    EXPECT_EQ(child->view()->autoresizingMask(), NSViewWidthSizable | NSViewHeightSizable);
}

TEST_F(NSStoryboardTest, BindsThroughANamedTransformer)
{
    NSUserDefaults::standardUserDefaults().setBool(true, "storyboardTestFlag");
    auto storyboard = load(R"({"scenes": [{"identifier": "A", "controller": {"class": "NSViewController",
      "view": {"class": "NSView", "subviews": [
        {"class": "NSButton", "bindings": [{"binding": "value", "to": "@sharedUserDefaultsController",
          "keyPath": "values.storyboardTestFlag", "options": {"NSValueTransformerName": "NSNegateBoolean"}}]}]}}},
      {"identifier": "B", "controller": {"class": "NSViewController",
      "view": {"class": "NSView", "subviews": [
        {"class": "NSButton", "bindings": [{"binding": "value", "to": "@sharedUserDefaultsController",
          "keyPath": "values.storyboardTestFlag", "options": {"NSValueTransformerName": "NoSuchTransformer"}}]}]}}}]})");
    ASSERT_TRUE(storyboard);
    auto controller = storyboard->instantiateControllerWithIdentifier("A").object<NSViewController>();
    auto button = std::dynamic_pointer_cast<NSButton>(controller->view()->subviews().at(0));
    EXPECT_EQ(button->objectValue(), Id::boolean(false));
    NSUserDefaults::standardUserDefaults().setBool(false, "storyboardTestFlag");
    EXPECT_EQ(button->objectValue(), Id::boolean(true));
    NSUserDefaults::standardUserDefaults().removeObjectForKey("storyboardTestFlag");

    ScopedLogCapture log;
    EXPECT_FALSE(storyboard->instantiateControllerWithIdentifier("B"));
    EXPECT_TRUE(log.sink().contains(
        LogLevel::Error, "Could not make the scene 'B': scenes[1].controller.view.subviews[0].bindings.value: no value "
                         "transformer named 'NoSuchTransformer'"));
}

TEST_F(NSStoryboardTest, ConstraintsPlaceTheViewsTheyName)
{
    auto storyboard = load(R"({"scenes": [{"identifier": "A", "controller": {"class": "NSViewController",
      "view": {"id": "root", "class": "NSView", "frame": [0, 0, 200, 100],
        "subviews": [
          {"id": "box", "class": "NSView", "frame": [1, 1, 1, 1], "subviews": [
            {"id": "inner", "class": "NSView"}]},
          {"id": "free", "class": "NSView", "frame": [5, 5, 10, 10]}],
        "constraints": [
          {"first": "box.leading", "second": "root.leading", "constant": 20},
          {"first": "box.top", "second": "root.top", "constant": 10},
          {"first": "box.width", "second": "root.width", "multiplier": 0.5},
          {"first": "box.height", "constant": 40, "identifier": "boxHeight"},
          {"first": "box.height", "relation": "<=", "constant": 30, "priority": 250},
          {"first": "inner.centerX", "second": "box.centerX"},
          {"first": "inner.centerY", "second": "box.centerY"},
          {"first": "inner.width", "constant": 10},
          {"first": "inner.height", "constant": 6}]}}}]})");
    ASSERT_TRUE(storyboard);
    auto controller = storyboard->instantiateControllerWithIdentifier("A").object<NSViewController>();
    auto root = controller->view();
    root->layoutSubtreeIfNeeded();
    auto box = root->subviews().at(0);
    auto inner = box->subviews().at(0);
    auto free = root->subviews().at(1);
    EXPECT_TRUE(root->translatesAutoresizingMaskIntoConstraints()) << "the holder keeps its frame";
    EXPECT_FALSE(box->translatesAutoresizingMaskIntoConstraints());
    EXPECT_FALSE(inner->translatesAutoresizingMaskIntoConstraints());
    EXPECT_TRUE(free->translatesAutoresizingMaskIntoConstraints());
    // Top is the top on screen: the root is not flipped, so y counts up.
    EXPECT_EQ(box->frame(), NSMakeRect(20, 50, 100, 40)) << "the weak height gives way";
    EXPECT_EQ(inner->frame(), NSMakeRect(45, 17, 10, 6));
    EXPECT_EQ(free->frame(), NSMakeRect(5, 5, 10, 10));
    // Each on the closest common ancestor of its items.
    EXPECT_EQ(root->constraints().size(), 3u);
    ASSERT_EQ(box->constraints().size(), 4u);
    EXPECT_EQ(inner->constraints().size(), 2u);
    EXPECT_EQ(box->constraints()[0]->identifier(), String("boxHeight"));
    EXPECT_EQ(box->constraints()[1]->priority(), 250);
}

TEST_F(NSStoryboardTest, AConstraintTheLayoutCantTakeGivesNoScene)
{
    struct Case {
        const char* constraint;
        const char* error;
    };
    const Case cases[] = {
        {R"({"first": "a.width", "second": "a.leading"})",
         "scenes[0].controller.view.constraints[0]: NSInvalidArgumentException: +[NSLayoutConstraint "
         "constraintWithItem:attribute:relatedBy:toItem:attribute:multiplier:constant:]: width can't be related to "
         "leading"},
        {R"({"first": "c.width", "constant": 3})",
         "scenes[0].controller.view.constraints[0]: NSInvalidArgumentException: +[NSLayoutConstraint "
         "constraintWithItem:attribute:relatedBy:toItem:attribute:multiplier:constant:]: items must be views or "
         "layout guides"},
        {R"({"first": "a.width", "second": "other.width"})",
         "scenes[0].controller.view.constraints[0]: the items share no view tree"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.constraint);
        auto storyboard =
            load(std::string(R"({"scenes": [{"identifier": "A", "controller": {"class": "NSViewController",
          "id": "c", "view": {"class": "NSView", "subviews": [{"id": "a", "class": "NSView"}],
            "constraints": [)") +
                 c.constraint + R"(]}},
          "objects": [{"id": "other", "class": "NSView"}]}]})");
        ASSERT_TRUE(storyboard);
        ScopedLogCapture log;
        EXPECT_FALSE(storyboard->instantiateControllerWithIdentifier("A"));
        EXPECT_TRUE(log.sink().contains(LogLevel::Error, std::string("Could not make the scene 'A': ") + c.error))
            << ::testing::PrintToString(log.sink().texts());
    }
}

TEST_F(NSStoryboardTest, ABoundCheckBoxWritesTheUsersChoiceAsABoolean)
{
    auto& defaults = NSUserDefaults::standardUserDefaults();
    defaults.removeObjectForKey("storyboardTestPlain");
    defaults.setBool(true, "storyboardTestNegated");
    auto storyboard = load(R"({"scenes": [{"identifier": "A", "controller": {"class": "NSViewController",
      "view": {"class": "NSView", "subviews": [
        {"class": "NSButton", "properties": {"buttonType": 3}, "bindings": [{"binding": "value",
          "to": "@sharedUserDefaultsController", "keyPath": "values.storyboardTestPlain"}]},
        {"class": "NSButton", "properties": {"buttonType": 3}, "bindings": [{"binding": "value",
          "to": "@sharedUserDefaultsController", "keyPath": "values.storyboardTestNegated",
          "options": {"NSValueTransformerName": "NSNegateBoolean"}}]},
        {"class": "NSButton", "bindings": [{"binding": "value",
          "to": "@sharedUserDefaultsController", "keyPath": "values.storyboardTestPush"}]}]}}}]})");
    ASSERT_TRUE(storyboard);
    auto view = storyboard->instantiateControllerWithIdentifier("A").object<NSViewController>()->view();
    auto plain = std::dynamic_pointer_cast<NSButton>(view->subviews().at(0));
    auto negated = std::dynamic_pointer_cast<NSButton>(view->subviews().at(1));
    auto push = std::dynamic_pointer_cast<NSButton>(view->subviews().at(2));
    EXPECT_EQ(plain->state(), NSControlStateValueOff) << "no value shows as off";
    EXPECT_EQ(negated->state(), NSControlStateValueOff);

    plain->performClick(Id());
    negated->performClick(Id());
    push->performClick(Id());
    EXPECT_EQ(defaults.objectForKey("storyboardTestPlain"), Id::boolean(true));
    EXPECT_EQ(defaults.objectForKey("storyboardTestNegated"), Id::boolean(false)) << "through the transformer";
    EXPECT_TRUE(defaults.objectForKey("storyboardTestPush").isNilOrNull()) << "a push button has no value to write";
    plain->performClick(Id());
    EXPECT_EQ(defaults.objectForKey("storyboardTestPlain"), Id::boolean(false));
    for (const char* key : {"storyboardTestPlain", "storyboardTestNegated"})
        defaults.removeObjectForKey(key);
}

TEST_F(NSStoryboardTest, AnUnknownSceneGivesNothing)
{
    auto storyboard = load(R"({"scenes": []})");
    ScopedLogCapture log;
    EXPECT_FALSE(storyboard->instantiateControllerWithIdentifier("Missing"));
    EXPECT_FALSE(storyboard->instantiateInitialController());
    EXPECT_EQ(
        log.sink().texts(),
        (std::vector<std::string>{"Storyboard (from data) doesn't contain a controller with identifier 'Missing'"}));
}

TEST_F(NSStoryboardTest, SeguesAskPrepareAndPerform)
{
    auto storyboard = load(R"({"scenes": [
      {"identifier": "From", "controller": {"class": "NoteController",
        "segues": [{"identifier": "Next", "class": "NoteSegue", "destination": "To"}]}},
      {"identifier": "To", "controller": {"class": "NSViewController"}}]})");
    auto source = storyboard->instantiateControllerWithIdentifier("From").object<NoteController>();
    ASSERT_TRUE(source);

    NSStoryboard::performSegue(*source, "Next", Id(String("me")));
    EXPECT_EQ(source->log,
              (std::vector<std::string>{"should Next", "prepare Next for NSViewController sender me", "perform Next"}));

    source->log.clear();
    source->allowSegues = false;
    NSStoryboard::performSegue(*source, "Next", Id());
    EXPECT_EQ(source->log, (std::vector<std::string>{"should Next"}));

    EXPECT_THROW(NSStoryboard::performSegue(*source, "Elsewhere", Id()), NSException);
    NoteController stranger;
    EXPECT_THROW(NSStoryboard::performSegue(stranger, "Next", Id()), NSException);
}

// A bundle of the program's kind in a scratch folder.
class StoryboardBundle {
public:
    explicit StoryboardBundle(const std::string& storyboard, bool namesIt = true)
    {
        std::string contents = root_.path() + "/Test.app/Contents";
        std::filesystem::create_directories(contents + "/Resources");
        std::ofstream(contents + "/Info.plist")
            << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
            << "<key>CFBundleIdentifier</key><string>com.example.storyboard</string>"
            << (namesIt ? "<key>NSMainStoryboardFile</key><string>Main</string>" : "") << "</dict></plist>\n";
        if (!storyboard.empty())
            std::ofstream(contents + "/Resources/Main.storyboard.json") << storyboard;
        NSBundle::setMainBundle(NSBundle::bundleWithPath(String(root_.path() + "/Test.app")));
    }
    ~StoryboardBundle() { NSBundle::setMainBundle(nullptr); }

private:
    TemporaryFolder root_;
};

// Runs the application as a program on the simulated desktop would, but
// only as far as it takes to see what was made.
class RecordingEnvironment : public NSApplicationEnvironment {
public:
    std::optional<int> prepare(int, char**) override
    {
        log.push_back("prepare");
        return std::nullopt;
    }
    int run(NSApplication& application) override
    {
        application.finishLaunching();
        auto delegate = std::dynamic_pointer_cast<NoteDelegate>(application.delegate());
        log.push_back(delegate ? "run with " + std::to_string(delegate->launches) + " launch, menu items " +
                                     std::to_string(delegate->menu ? delegate->menu->numberOfItems() : -1)
                               : "run without delegate");
        return 7;
    }
    std::vector<std::string> log;
};

class NSApplicationMainTest : public NSStoryboardTest {
protected:
    NSApplicationMainTest() { NSApplicationEnvironment::install(environment); }
    ~NSApplicationMainTest() override { NSApplicationEnvironment::install(nullptr); }

    int main()
    {
        char name[] = "Test";
        char* argv[] = {name, nullptr};
        return NSApplicationMain(1, argv);
    }

    std::shared_ptr<RecordingEnvironment> environment = std::make_shared<RecordingEnvironment>();
};

TEST_F(NSApplicationMainTest, LoadsTheApplicationSceneBeforeRunning)
{
    StoryboardBundle bundle(R"({"application": {"outlets": {"delegate": "delegate"}, "objects": [
      {"id": "delegate", "class": "NoteDelegate", "outlets": {"menu": "menu"}},
      {"id": "menu", "class": "NSMenu", "items": [
        {"class": "NSMenuItem", "properties": {"title": "Choose"}, "keyEquivalent": "c",
         "action": {"selector": "chosen:", "target": "delegate"}},
        {"separator": true}]}]}})");
    ASSERT_TRUE(NSStoryboard::mainStoryboard());
    EXPECT_EQ(NSStoryboard::mainStoryboard(), NSStoryboard::mainStoryboard());

    EXPECT_EQ(main(), 7);
    EXPECT_EQ(environment->log, (std::vector<std::string>{"prepare", "run with 1 launch, menu items 2"}));
}

TEST_F(NSApplicationMainTest, AMissingOrBrokenStoryboardEndsTheProgram)
{
    struct Case {
        const char* name;
        std::string storyboard;
        bool namesIt;
        int status;
    };
    const Case cases[] = {
        {.name = "no storyboard named", .storyboard = "", .namesIt = false, .status = 7},
        {.name = "the named one is missing", .storyboard = "", .namesIt = true, .status = 1},
        {.name = "not valid", .storyboard = "{\"scenes\": 3}", .namesIt = true, .status = 1},
        {.name = "a delegate that is none",
         .storyboard =
             R"({"application": {"outlets": {"delegate": "d"}, "objects": [{"id": "d", "class": "NSObject"}]}})",
         .namesIt = true,
         .status = 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScopedLogCapture log;
        environment->log.clear();
        StoryboardBundle bundle(c.storyboard, c.namesIt);
        EXPECT_EQ(main(), c.status);
        if (c.status != 7) {
            EXPECT_FALSE(log.sink().entries().empty());
        }
    }
}

}  // namespace
