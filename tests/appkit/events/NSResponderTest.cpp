#include "AppKitTestFixture.h"
#include "appkit/NSMenu.h"
#include "appkit/NSMenuItem.h"
#include "appkit/NSView.h"
#include "appkit/NSViewController.h"
#include "appkit/NSWindow.h"
#include "appkit/NSWindowController.h"

#include <string>
#include <vector>

namespace {

using Log = std::vector<std::string>;

constexpr unsigned short kEscape = 53;
constexpr unsigned short kReturn = 36;
constexpr unsigned short kA = 0;

// A view that writes down what reaches it and takes what it is told to.
class KeyView : public NSView {
    KS_OBJECT(KeyView, NSView)
public:
    KeyView(std::string name, Log& log)
        : name_(std::move(name))
        , log_(log)
    {
    }
    bool takesKeyDown = false;
    int takesEquivalent = -1;  // a key code, or none
    bool accepts = true;
    bool resigns = true;

    bool acceptsFirstResponder() override { return accepts; }
    bool resignFirstResponder() override { return resigns; }
    void keyDown(NSEvent& event) override
    {
        log_.push_back(name_ + " keyDown " + std::to_string(event.keyCode()));
        if (!takesKeyDown)
            NSView::keyDown(event);
    }
    bool performKeyEquivalent(NSEvent& event) override
    {
        log_.push_back(name_ + " equivalent " + std::to_string(event.keyCode()));
        return event.keyCode() == takesEquivalent || NSView::performKeyEquivalent(event);
    }
    void mouseDown(NSEvent&) override { log_.push_back(name_ + " mouseDown"); }

protected:
    // Takes copy: as an action, as a text view would.
    static void describe(ClassDescriptor& d)
    {
        d.method<KeyView>("copy:", ReturnKind::Void, [](KeyView& v, std::span<const Id> arguments) {
            v.log_.push_back(v.name_ + " copy: from " + (arguments[0] ? arguments[0].description().utf8() : "nil"));
            return Id();
        });
    }

private:
    std::string name_;
    Log& log_;
};

class ChainController : public NSViewController {
    KS_OBJECT(ChainController, NSViewController)
public:
    explicit ChainController(Log& log)
        : log_(log)
    {
    }
    bool takesCancel = false;
    void keyDown(NSEvent& event) override
    {
        log_.push_back("controller keyDown");
        NSViewController::keyDown(event);
    }
    void cancelOperation(const Id& sender) override
    {
        log_.push_back("controller cancelOperation");
        if (!takesCancel)
            NSViewController::cancelOperation(sender);
    }

private:
    Log& log_;
};

class ChainWindow : public NSWindow {
    KS_OBJECT(ChainWindow, NSWindow)
public:
    explicit ChainWindow(Log& log)
        : log_(log)
    {
    }
    void keyDown(NSEvent& event) override
    {
        log_.push_back("window keyDown");
        NSWindow::keyDown(event);
    }

private:
    Log& log_;
};

class ChainWindowController : public NSWindowController {
    KS_OBJECT(ChainWindowController, NSWindowController)
public:
    explicit ChainWindowController(Log& log)
        : log_(log)
    {
    }
    void keyDown(NSEvent& event) override
    {
        log_.push_back("window controller keyDown");
        NSWindowController::keyDown(event);
    }
    void cancelOperation(const Id& sender) override
    {
        log_.push_back("window controller cancelOperation");
        NSWindowController::cancelOperation(sender);
    }

private:
    Log& log_;
};

// A target for menu actions.
class ActionTarget : public NSObject {
    KS_OBJECT(ActionTarget, NSObject)
public:
    std::vector<Id> senders;

protected:
    static void describe(ClassDescriptor& d)
    {
        d.method<ActionTarget>("doIt:", ReturnKind::Void, [](ActionTarget& t, std::span<const Id> arguments) {
            t.senders.push_back(arguments[0]);
            return Id();
        });
    }
};

// A key window whose content is a controller's view, holding a first
// responder inside a container:
//   content view (controller) > container > field (first responder)
class EventRoutingTest : public AppKitTest {
protected:
    EventRoutingTest()
    {
        controller = std::make_shared<ChainController>(log);
        content = std::make_shared<KeyView>("content", log);
        container = std::make_shared<KeyView>("container", log);
        field = std::make_shared<KeyView>("field", log);
        controller->setView(content);
        content->addSubview(container);
        container->addSubview(field);
        window = std::make_shared<ChainWindow>(log);
        windowController = std::make_shared<ChainWindowController>(log);
        windowController->setWindow(window);
        window->setContentViewController(controller);
        activateProgram();
        window->makeKeyAndOrderFront(Id());
        window->makeFirstResponder(field);
    }

    Log log;
    std::shared_ptr<ChainController> controller;
    std::shared_ptr<KeyView> content, container, field;
    std::shared_ptr<ChainWindow> window;
    std::shared_ptr<ChainWindowController> windowController;
};

TEST_F(EventRoutingTest, LocalMonitorsComeFirstAndCanSwallowTheEvent)
{
    field->takesKeyDown = true;
    Id first = NSEvent::addLocalMonitorForEventsMatchingMask(NSEventMaskKeyDown, [&](const auto& event) {
        log.push_back("first monitor");
        return event;
    });
    Id keyUpOnly = NSEvent::addLocalMonitorForEventsMatchingMask(NSEventMaskKeyUp, [&](const auto& event) {
        log.push_back("key-up monitor");
        return event;
    });
    Id swallowing = NSEvent::addLocalMonitorForEventsMatchingMask(NSEventMaskKeyDown, [&](const auto&) {
        log.push_back("swallowing monitor");
        return std::shared_ptr<NSEvent>();
    });

    app()->sendEvent(keyDown(kA, "a"));
    EXPECT_EQ(log, (Log{"first monitor", "swallowing monitor"}));

    log.clear();
    NSEvent::removeMonitor(swallowing);
    NSEvent::removeMonitor(swallowing);
    app()->sendEvent(keyDown(kA, "a"));
    EXPECT_EQ(log, (Log{"first monitor", "content equivalent 0", "container equivalent 0", "field equivalent 0",
                        "field keyDown 0"}));
    NSEvent::removeMonitor(first);
    NSEvent::removeMonitor(keyUpOnly);
}

TEST_F(EventRoutingTest, MonitorCanPutAnotherEventInPlace)
{
    field->takesKeyDown = true;
    Id monitor = NSEvent::addLocalMonitorForEventsMatchingMask(NSEventMaskKeyDown,
                                                               [](const auto&) { return keyDown(kReturn, "\r"); });
    app()->sendEvent(keyDown(kA, "a"));
    EXPECT_EQ(log.back(), "field keyDown 36");
    NSEvent::removeMonitor(monitor);
}

TEST_F(EventRoutingTest, MonitorRemovedByAnEarlierOneIsNotRun)
{
    Id second;
    Id first = NSEvent::addLocalMonitorForEventsMatchingMask(NSEventMaskKeyDown, [&](const auto& event) {
        NSEvent::removeMonitor(second);
        return event;
    });
    second = NSEvent::addLocalMonitorForEventsMatchingMask(NSEventMaskKeyDown, [&](const auto& event) {
        log.push_back("second monitor");
        return event;
    });
    field->takesKeyDown = true;
    app()->sendEvent(keyDown(kA, "a"));
    EXPECT_EQ(std::count(log.begin(), log.end(), "second monitor"), 0);
    NSEvent::removeMonitor(first);
}

TEST_F(EventRoutingTest, KeyEquivalentTakenByAViewNeverReachesKeyDown)
{
    // Plain keys are offered as key equivalents too (Escape, Return, arrows
    // are handled there), front subviews before the ones behind.
    container->takesEquivalent = kEscape;
    app()->sendEvent(keyDown(kEscape, "\x1b"));
    EXPECT_EQ(log, (Log{"content equivalent 53", "container equivalent 53"}));
}

TEST_F(EventRoutingTest, UnhandledKeyTravelsTheWholeChainThenBeeps)
{
    std::size_t beeps = recorded(simulation::ProgramRecord::Kind::Beep);
    app()->sendEvent(keyDown(kA, "a", NSEventModifierFlagCommand));
    EXPECT_EQ(log, (Log{"content equivalent 0", "container equivalent 0", "field equivalent 0", "field keyDown 0",
                        "container keyDown 0", "content keyDown 0", "controller keyDown", "window keyDown",
                        "window controller keyDown"}));
    EXPECT_EQ(recorded(simulation::ProgramRecord::Kind::Beep), beeps + 1);
}

TEST_F(EventRoutingTest, UnhandledEscapeBecomesCancelFromTheFirstResponder)
{
    std::size_t beeps = recorded(simulation::ProgramRecord::Kind::Beep);
    controller->takesCancel = true;
    app()->sendEvent(keyDown(kEscape, "\x1b"));
    EXPECT_EQ(log.back(), "controller cancelOperation");
    EXPECT_EQ(std::count(log.begin(), log.end(), "window keyDown"), 1);

    log.clear();
    controller->takesCancel = false;
    app()->sendEvent(keyDown(kEscape, "\x1b"));
    EXPECT_EQ(log.back(), "window controller cancelOperation");
    EXPECT_EQ(recorded(simulation::ProgramRecord::Kind::Beep), beeps);
}

TEST_F(EventRoutingTest, KeysGoToTheWindowWhenNothingIsFirstResponder)
{
    window->makeFirstResponder(nullptr);
    EXPECT_EQ(window->firstResponder(), window);
    app()->sendEvent(keyDown(kA, "a"));
    EXPECT_EQ(log.back(), "window controller keyDown");
    EXPECT_EQ(std::count(log.begin(), log.end(), "field keyDown 0"), 0);
}

TEST_F(EventRoutingTest, FirstResponderChangeAsksBothSides)
{
    container->accepts = false;
    EXPECT_FALSE(window->makeFirstResponder(container));
    EXPECT_EQ(window->firstResponder(), window) << "a refused change leaves the window first responder";

    ASSERT_TRUE(window->makeFirstResponder(field));
    field->resigns = false;
    EXPECT_FALSE(window->makeFirstResponder(content));
    EXPECT_EQ(window->firstResponder(), field);
    EXPECT_TRUE(window->makeFirstResponder(field)) << "the current one again needs no resigning";
}

TEST_F(EventRoutingTest, ClickGoesToTheViewUnderThePointer)
{
    window->setFrame(NSMakeRect(0, 0, 200, 100), true);
    container->setFrame(NSMakeRect(10, 10, 100, 50));
    field->setFrame(NSMakeRect(5, 5, 20, 20));
    window->makeFirstResponder(nullptr);
    auto click = NSEvent::mouseEventWithType(NSEventTypeLeftMouseDown, NSMakePoint(20, 20), 0, 0,
                                             window->windowNumber(), Id(), 0, 1, 1);
    EXPECT_EQ(click->window(), window);
    app()->sendEvent(click);
    EXPECT_EQ(log, (Log{"field mouseDown"}));
    EXPECT_EQ(window->firstResponder(), field);
}

TEST_F(EventRoutingTest, ActionWithoutTargetGoesToTheFirstResponderThatTakesIt)
{
    EXPECT_TRUE(app()->sendAction("copy:", Id(), Id(String("menu"))));
    EXPECT_EQ(log, (Log{"field copy: from menu"}));
    EXPECT_TRUE(field->tryToPerform("copy:", Id()));
    EXPECT_TRUE(content->tryToPerform("copy:", Id()));
    EXPECT_EQ(log.back(), "content copy: from nil");
    EXPECT_FALSE(field->tryToPerform("paste:", Id()));
    EXPECT_FALSE(app()->sendAction("paste:", Id(), Id()));
}

TEST_F(EventRoutingTest, ApplicationTakesTheStandardActionsNobodyElseTakes)
{
    for (const char* action : {"terminate:", "hide:", "unhide:", "hideOtherApplications:", "unhideAllApplications:",
                               "orderFrontStandardAboutPanel:"}) {
        SCOPED_TRACE(action);
        EXPECT_EQ(app()->targetForAction(action).objectPointer(), app().get());
    }
    // The key window's chain comes first: closing is the window's.
    EXPECT_EQ(app()->targetForAction("performClose:").objectPointer(), window.get());
    EXPECT_TRUE(app()->sendAction("hide:", Id(), Id()));
    EXPECT_TRUE(desktop().application(kOwn)->hidden);
    EXPECT_TRUE(app()->sendAction("orderFrontStandardAboutPanel:", Id(), Id()));
    EXPECT_EQ(recorded(simulation::ProgramRecord::Kind::AboutPanel), 1u);
}

TEST_F(EventRoutingTest, MainMenuKeyEquivalentSendsItsActionWhenNoViewTakesIt)
{
    auto target = std::make_shared<ActionTarget>();
    auto mainMenu = std::make_shared<NSMenu>("Main");
    auto fileItem = std::make_shared<NSMenuItem>("File");
    auto fileMenu = std::make_shared<NSMenu>("File");
    auto save = std::make_shared<NSMenuItem>("Save", Selector("doIt:"), "s");
    auto saveAs = std::make_shared<NSMenuItem>("Save As\u2026", Selector("doIt:"), "S");
    auto disabled = std::make_shared<NSMenuItem>("Print", Selector("doIt:"), "p");
    for (const auto& item : {save, saveAs, disabled}) {
        item->setTarget(Id(target));
        fileMenu->addItem(item);
    }
    disabled->setEnabled(false);
    fileItem->setSubmenu(fileMenu);
    mainMenu->addItem(fileItem);
    app()->setMainMenu(mainMenu);
    field->takesKeyDown = true;

    struct Case {
        unsigned short keyCode;
        const char* characters;
        NSEventModifierFlags flags;
        bool fires;
    } cases[] = {
        {.keyCode = 1, .characters = "s", .flags = NSEventModifierFlagCommand, .fires = true},
        {.keyCode = 1,
         .characters = "S",
         .flags = NSEventModifierFlagCommand | NSEventModifierFlagShift,
         .fires = true},
        {.keyCode = 1,
         .characters = "s",
         .flags = NSEventModifierFlagCommand | NSEventModifierFlagOption,
         .fires = false},
        {.keyCode = 1, .characters = "s", .flags = 0, .fires = false},
        {.keyCode = 35, .characters = "p", .flags = NSEventModifierFlagCommand, .fires = false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.characters) + " " + std::to_string(c.flags));
        target->senders.clear();
        log.clear();
        app()->sendEvent(keyDown(c.keyCode, c.characters, c.flags));
        EXPECT_EQ(target->senders.size(), c.fires ? 1u : 0u);
        EXPECT_EQ(log.back() == "field keyDown 1" || log.back() == "field keyDown 35", !c.fires);
    }
    EXPECT_EQ(save->parentItem(), fileItem);
    EXPECT_EQ(fileItem->parentItem(), nullptr);
    EXPECT_EQ(save->menu(), fileMenu);
}

}  // namespace
