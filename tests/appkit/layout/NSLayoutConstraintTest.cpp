#include "appkit/NSLayoutConstraint.h"
#include "LayoutFixtures.h"
#include "appkit/NSApplication.h"
#include "appkit/NSLayoutGuide.h"
#include "appkit/NSValue.h"
#include "foundation/Log.h"
#include "foundation/NSException.h"

#include <cmath>
#include <functional>

namespace {

struct Scene {
    std::shared_ptr<ContentView> root;
    std::shared_ptr<ContentView> a;
    std::shared_ptr<ContentView> b;
};

Scene makeScene(bool flipped = false)
{
    Scene scene{makeRoot(flipped), nullptr, nullptr};
    scene.a = addChild(scene.root, {100, 20});
    scene.b = addChild(scene.root);
    return scene;
}

TEST(AutoLayout, ConstraintsPlaceViewsInTheirSuperviewsCoordinates)
{
    struct Case {
        const char* name;
        bool flipped;
        std::function<Constraints(Scene&)> constraints;
        NSRect a;
        NSRect b;
    };
    const Case cases[] = {
        {"pinned inside margins",
         false,
         [](Scene& s) {
             return Constraints{s.a->leadingAnchor()->constraintEqualToAnchor(s.root->leadingAnchor(), 10),
                                s.a->trailingAnchor()->constraintEqualToAnchor(s.root->trailingAnchor(), -10),
                                s.a->topAnchor()->constraintEqualToAnchor(s.root->topAnchor(), 20),
                                s.a->bottomAnchor()->constraintEqualToAnchor(s.root->bottomAnchor(), -30),
                                s.b->widthAnchor()->constraintEqualToConstant(0),
                                s.b->heightAnchor()->constraintEqualToConstant(0),
                                s.b->leftAnchor()->constraintEqualToAnchor(s.root->leftAnchor()),
                                s.b->topAnchor()->constraintEqualToAnchor(s.root->topAnchor())};
         },
         // Unflipped: 30 from the bottom is y 30; top 20 leaves 250 of height.
         {{10, 30}, {380, 250}},
         {{0, 300}, {0, 0}}},
        {"the same in a flipped superview",
         true,
         [](Scene& s) {
             return Constraints{s.a->leadingAnchor()->constraintEqualToAnchor(s.root->leadingAnchor(), 10),
                                s.a->trailingAnchor()->constraintEqualToAnchor(s.root->trailingAnchor(), -10),
                                s.a->topAnchor()->constraintEqualToAnchor(s.root->topAnchor(), 20),
                                s.a->bottomAnchor()->constraintEqualToAnchor(s.root->bottomAnchor(), -30),
                                s.b->widthAnchor()->constraintEqualToConstant(0),
                                s.b->heightAnchor()->constraintEqualToConstant(0),
                                s.b->leftAnchor()->constraintEqualToAnchor(s.root->leftAnchor()),
                                s.b->topAnchor()->constraintEqualToAnchor(s.root->topAnchor())};
         },
         {{10, 20}, {380, 250}},
         {{0, 0}, {0, 0}}},
        {"centred at its intrinsic size, a sibling below it at a fraction of the width",
         false,
         [](Scene& s) {
             return Constraints{s.a->centerXAnchor()->constraintEqualToAnchor(s.root->centerXAnchor()),
                                s.a->centerYAnchor()->constraintEqualToAnchor(s.root->centerYAnchor()),
                                s.b->widthAnchor()->constraintEqualToAnchor(s.root->widthAnchor(), 0.25, 10),
                                s.b->heightAnchor()->constraintEqualToAnchor(s.a->heightAnchor(), 2),
                                s.b->topAnchor()->constraintEqualToAnchor(s.a->bottomAnchor(), 8),
                                s.b->trailingAnchor()->constraintEqualToAnchor(s.a->trailingAnchor())};
         },
         {{150, 140}, {100, 20}},
         {{140, 92}, {110, 40}}},
        {"inequalities with a weaker wish between them",
         false,
         [](Scene& s) {
             return Constraints{
                 s.a->leadingAnchor()->constraintGreaterThanOrEqualToAnchor(s.root->leadingAnchor(), 50),
                 named(s.a->leadingAnchor()->constraintEqualToAnchor(s.root->leadingAnchor()), "wish", 500),
                 s.a->topAnchor()->constraintEqualToAnchor(s.root->topAnchor()),
                 s.b->leadingAnchor()->constraintEqualToAnchor(s.a->trailingAnchor()),
                 s.b->trailingAnchor()->constraintLessThanOrEqualToAnchor(s.root->trailingAnchor(), -100),
                 named(s.b->widthAnchor()->constraintEqualToConstant(1000), "wide", 600),
                 s.b->heightAnchor()->constraintEqualToConstant(10),
                 s.b->topAnchor()->constraintEqualToAnchor(s.root->topAnchor())};
         },
         {{50, 280}, {100, 20}},
         {{150, 290}, {150, 10}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Scene scene = makeScene(c.flipped);
        NSLayoutConstraint::activateConstraints(c.constraints(scene));
        scene.root->layoutSubtreeIfNeeded();
        expectFrame(*scene.a, c.a);
        expectFrame(*scene.b, c.b);
    }
}

TEST(AutoLayout, LeadingAndTrailingFollowTheLayoutDirection)
{
    for (auto direction : {NSUserInterfaceLayoutDirectionLeftToRight, NSUserInterfaceLayoutDirectionRightToLeft}) {
        SCOPED_TRACE(direction);
        Scene scene = makeScene();
        scene.root->setUserInterfaceLayoutDirection(direction);
        scene.a->setUserInterfaceLayoutDirection(direction);
        NSLayoutConstraint::activateConstraints(
            {scene.a->leadingAnchor()->constraintEqualToAnchor(scene.root->leadingAnchor(), 10),
             scene.a->topAnchor()->constraintEqualToAnchor(scene.root->topAnchor())});
        scene.root->layoutSubtreeIfNeeded();
        CGFloat x = direction == NSUserInterfaceLayoutDirectionLeftToRight ? 10 : 400 - 10 - 100;
        expectFrame(*scene.a, {{x, 280}, {100, 20}});
    }
}

TEST(AutoLayout, HuggingAndCompressionResistanceDecideWhoGivesWay)
{
    struct Case {
        const char* name;
        CGFloat containerWidth;
        NSLayoutPriority firstHugging, secondHugging;
        NSLayoutPriority firstResistance, secondResistance;
        CGFloat firstWidth, secondWidth;
    };
    // Two labels of 100 side by side fill the container.
    const Case cases[] = {
        {"room to spare goes to the one that hugs less", 300, 250, 251, 750, 750, 200, 100},
        {"the other way round", 300, 251, 250, 750, 750, 100, 200},
        {"too little room: the one that resists less shrinks", 150, 250, 250, 749, 750, 50, 100},
        {"the other way round", 150, 250, 250, 750, 749, 100, 50},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto root = makeRoot();
        root->setFrameSize({c.containerWidth, 50});
        auto first = addChild(root, {100, 20});
        auto second = addChild(root, {100, 20});
        first->setContentHuggingPriority(c.firstHugging, NSLayoutConstraintOrientationHorizontal);
        second->setContentHuggingPriority(c.secondHugging, NSLayoutConstraintOrientationHorizontal);
        first->setContentCompressionResistancePriority(c.firstResistance, NSLayoutConstraintOrientationHorizontal);
        second->setContentCompressionResistancePriority(c.secondResistance, NSLayoutConstraintOrientationHorizontal);
        NSLayoutConstraint::activateConstraints({
            first->leadingAnchor()->constraintEqualToAnchor(root->leadingAnchor()),
            second->leadingAnchor()->constraintEqualToAnchor(first->trailingAnchor()),
            second->trailingAnchor()->constraintEqualToAnchor(root->trailingAnchor()),
            first->topAnchor()->constraintEqualToAnchor(root->topAnchor()),
            second->topAnchor()->constraintEqualToAnchor(root->topAnchor()),
        });
        root->layoutSubtreeIfNeeded();
        EXPECT_EQ(first->frame().size, NSMakeSize(c.firstWidth, 20));
        EXPECT_EQ(second->frame().size, NSMakeSize(c.secondWidth, 20));
        EXPECT_EQ(second->frame().origin.x, c.firstWidth);
    }
}

TEST(AutoLayout, IntrinsicSizeChangesReachTheNextPass)
{
    Scene scene = makeScene();
    NSLayoutConstraint::activateConstraints(
        {scene.a->leadingAnchor()->constraintEqualToAnchor(scene.root->leadingAnchor()),
         scene.a->topAnchor()->constraintEqualToAnchor(scene.root->topAnchor())});
    scene.root->layoutSubtreeIfNeeded();
    scene.a->setIntrinsic({40, 30});
    EXPECT_TRUE(scene.a->needsLayout());
    scene.root->layoutSubtreeIfNeeded();
    expectFrame(*scene.a, {{0, 270}, {40, 30}});
}

TEST(AutoLayout, AlignmentRectInsetsAndBaselinesAreWhatConstraintsSee)
{
    Scene scene = makeScene();
    // a's frame sticks out 4 left, 2 right, 6 above and 3 below its content.
    scene.a->insets = NSEdgeInsetsMake(6, 4, 3, 2);
    scene.a->baseline = 5;
    scene.b->baseline = 2;
    NSLayoutConstraint::activateConstraints({
        scene.a->leftAnchor()->constraintEqualToAnchor(scene.root->leftAnchor()),
        scene.a->topAnchor()->constraintEqualToAnchor(scene.root->topAnchor()),
        scene.b->leftAnchor()->constraintEqualToAnchor(scene.a->rightAnchor()),
        scene.b->widthAnchor()->constraintEqualToConstant(10),
        scene.b->heightAnchor()->constraintEqualToConstant(10),
        scene.b->lastBaselineAnchor()->constraintEqualToAnchor(scene.a->lastBaselineAnchor()),
    });
    scene.root->layoutSubtreeIfNeeded();
    expectFrame(*scene.a, {{-4, 277}, {106, 29}});
    EXPECT_EQ(scene.a->alignmentRectForFrame(scene.a->frame()), NSMakeRect(0, 280, 100, 20));
    // a's baseline lies 15 below the top, so b's 10 tall box ends 2 under it.
    expectFrame(*scene.b, {{100, 283}, {10, 10}});
}

TEST(AutoLayout, ConstraintChangesTakeEffectAtTheNextPass)
{
    Scene scene = makeScene();
    auto left = scene.a->leftAnchor()->constraintEqualToAnchor(scene.root->leftAnchor(), 10);
    auto wish = named(scene.a->topAnchor()->constraintEqualToAnchor(scene.root->topAnchor()), "top", 700);
    NSLayoutConstraint::activateConstraints({left, wish});
    scene.root->layoutSubtreeIfNeeded();
    EXPECT_EQ(scene.a->frame().origin, NSMakePoint(10, 280));

    left->setConstant(30);
    wish->setPriority(300);
    auto stronger = named(scene.a->topAnchor()->constraintEqualToAnchor(scene.root->topAnchor(), 50), "lower", 400);
    stronger->setActive(true);
    scene.root->layoutSubtreeIfNeeded();
    EXPECT_EQ(scene.a->frame().origin, NSMakePoint(30, 230));

    stronger->setActive(false);
    left->setActive(false);
    EXPECT_FALSE(left->isActive());
    EXPECT_TRUE(scene.root->constraints().size() == 1);
    scene.root->layoutSubtreeIfNeeded();
    EXPECT_EQ(scene.a->frame().origin.y, 280);
}

TEST(AutoLayout, SwappingConflictingSetsInOnePassIsNoConflict)
{
    ScopedLogCapture log;
    Scene scene = makeScene();
    Constraints always{scene.a->topAnchor()->constraintEqualToAnchor(scene.root->topAnchor())};
    Constraints idle{scene.a->leadingAnchor()->constraintEqualToAnchor(scene.root->leadingAnchor(), 10)};
    Constraints recording{scene.a->leadingAnchor()->constraintEqualToAnchor(scene.root->leadingAnchor(), 60)};
    NSLayoutConstraint::activateConstraints(always);
    NSLayoutConstraint::activateConstraints(idle);
    scene.root->layoutSubtreeIfNeeded();
    for (int round = 0; round < 2; ++round) {
        // Activated first, deactivated after: the engine hears of both at once.
        NSLayoutConstraint::activateConstraints(recording);
        NSLayoutConstraint::deactivateConstraints(idle);
        scene.root->layoutSubtreeIfNeeded();
        EXPECT_EQ(scene.a->frame().origin.x, 60);
        NSLayoutConstraint::activateConstraints(idle);
        NSLayoutConstraint::deactivateConstraints(recording);
        scene.root->layoutSubtreeIfNeeded();
        EXPECT_EQ(scene.a->frame().origin.x, 10);
    }
    EXPECT_TRUE(log.sink().entries().empty()) << log.sink().texts().front();
}

TEST(AutoLayout, UnsatisfiableConstraintsAreLoggedByNameAndOneOfThemGivesWay)
{
    ScopedLogCapture log;
    Scene scene = makeScene();
    NSLayoutConstraint::activateConstraints({
        named(scene.a->leftAnchor()->constraintEqualToAnchor(scene.root->leftAnchor(), 10), "SR_left"),
        named(scene.a->widthAnchor()->constraintEqualToConstant(300), "SR_width"),
        scene.a->topAnchor()->constraintEqualToAnchor(scene.root->topAnchor()),
    });
    scene.root->layoutSubtreeIfNeeded();
    named(scene.a->rightAnchor()->constraintEqualToAnchor(scene.root->rightAnchor(), -200), "SR_right")
        ->setActive(true);
    scene.root->layoutSubtreeIfNeeded();

    auto texts = log.sink().texts();
    ASSERT_EQ(texts.size(), 1u);
    // The refused one first, then the ones it meets, in the order they came.
    EXPECT_EQ(texts[0], "Unable to simultaneously satisfy constraints: "
                        "<NSLayoutConstraint 'SR_right' ContentView.right == ContentView.right - 200>, "
                        "<NSRootSizeLayoutConstraint ContentView.width == 400>, "
                        "<NSLayoutConstraint 'SR_left' ContentView.left == ContentView.left + 10>, "
                        "<NSLayoutConstraint 'SR_width' ContentView.width == 300>. "
                        "Will attempt to recover by breaking "
                        "<NSLayoutConstraint 'SR_right' ContentView.right == ContentView.right - 200>.");
    // The broken one is met as far as the others allow.
    expectFrame(*scene.a, {{10, 280}, {300, 20}});
}

TEST(AutoLayout, ConstraintsThatCantBeMadeRaise)
{
    auto view = std::make_shared<ContentView>();
    auto other = std::make_shared<ContentView>();
    auto notAnItem = std::make_shared<NSObject>();
    struct Case {
        const char* name;
        std::function<void()> make;
    };
    const Case cases[] = {
        {"a position against a constant",
         [&] {
             NSLayoutConstraint::constraintWithItem(view, NSLayoutAttributeLeft, NSLayoutRelationEqual, nullptr,
                                                    NSLayoutAttributeNotAnAttribute, 1, 10);
         }},
        {"a position against a size",
         [&] {
             NSLayoutConstraint::constraintWithItem(view, NSLayoutAttributeTop, NSLayoutRelationEqual, other,
                                                    NSLayoutAttributeHeight, 1, 0);
         }},
        {"a horizontal position against a vertical one",
         [&] {
             NSLayoutConstraint::constraintWithItem(view, NSLayoutAttributeLeading, NSLayoutRelationEqual, other,
                                                    NSLayoutAttributeTop, 1, 0);
         }},
        {"a position times zero",
         [&] {
             NSLayoutConstraint::constraintWithItem(view, NSLayoutAttributeCenterX, NSLayoutRelationEqual, other,
                                                    NSLayoutAttributeCenterX, 0, 5);
         }},
        {"no first item",
         [&] {
             NSLayoutConstraint::constraintWithItem(nullptr, NSLayoutAttributeWidth, NSLayoutRelationEqual, nullptr,
                                                    NSLayoutAttributeNotAnAttribute, 1, 5);
         }},
        {"an item that lays nothing out",
         [&] {
             NSLayoutConstraint::constraintWithItem(notAnItem, NSLayoutAttributeWidth, NSLayoutRelationEqual, nullptr,
                                                    NSLayoutAttributeNotAnAttribute, 1, 5);
         }},
        {"an infinite multiplier",
         [&] { view->widthAnchor()->constraintEqualToAnchor(other->widthAnchor(), INFINITY); }},
        {"priority zero", [&] { view->widthAnchor()->constraintEqualToConstant(5)->setPriority(0); }},
        {"priority above required", [&] { view->widthAnchor()->constraintEqualToConstant(5)->setPriority(1001); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            c.make();
            ADD_FAILURE() << "no exception";
        } catch (const NSException& e) {
            EXPECT_EQ(e.name(), NSInvalidArgumentException);
        }
    }
}

TEST(AutoLayout, ActiveConstraintsKeepTheirKindOfPriority)
{
    auto root = makeRoot();
    auto width = root->widthAnchor()->constraintEqualToConstant(5);
    width->setPriority(999);
    width->setActive(true);
    width->setPriority(250);
    EXPECT_THROW(width->setPriority(NSLayoutPriorityRequired), NSException);
    width->setActive(false);
    width->setPriority(NSLayoutPriorityRequired);
    EXPECT_EQ(width->priority(), NSLayoutPriorityRequired);
}

TEST(AutoLayout, ConstraintsLiveOnTheCommonAncestorAndEndWhenAnItemLeaves)
{
    ScopedLogCapture log;
    auto root = makeRoot();
    auto box = addChild(root);
    auto inner = addChild(box, {10, 10});
    auto sibling = addChild(root, {10, 10});
    auto inside = inner->leftAnchor()->constraintEqualToAnchor(box->leftAnchor(), 5);
    auto across = sibling->leftAnchor()->constraintEqualToAnchor(inner->rightAnchor());
    auto own = box->widthAnchor()->constraintEqualToConstant(50);
    NSLayoutConstraint::activateConstraints({inside, across, own});
    EXPECT_EQ(inside->installedOn(), box);
    EXPECT_EQ(across->installedOn(), root);
    EXPECT_EQ(own->installedOn(), box);

    box->removeFromSuperview();
    EXPECT_FALSE(across->isActive());
    EXPECT_TRUE(root->constraints().empty());
    EXPECT_TRUE(inside->isActive());
    EXPECT_TRUE(own->isActive());

    // Two trees have no common ancestor.
    auto stray = sibling->leftAnchor()->constraintEqualToAnchor(inner->leftAnchor());
    stray->setActive(true);
    EXPECT_FALSE(stray->isActive());
    EXPECT_TRUE(log.sink().contains(
        LogLevel::Error,
        "Unable to activate constraint <NSLayoutConstraint ContentView.left == ContentView.left>: its items share no "
        "view tree"));
}

TEST(AutoLayout, ViewsAndGuidesComingAndGoingJoinTheRunningLayout)
{
    Scene scene = makeScene();
    NSLayoutConstraint::activateConstraints({
        scene.a->leftAnchor()->constraintEqualToAnchor(scene.root->leftAnchor(), 10),
        scene.a->topAnchor()->constraintEqualToAnchor(scene.root->topAnchor(), 10),
    });
    scene.root->layoutSubtreeIfNeeded();

    // A subtree with constraints of its own, placed against a.
    auto card = std::make_shared<ContentView>();
    auto label = addChild(card, {50, 10});
    NSLayoutConstraint::activateConstraints({
        label->centerXAnchor()->constraintEqualToAnchor(card->centerXAnchor()),
        label->centerYAnchor()->constraintEqualToAnchor(card->centerYAnchor()),
        card->widthAnchor()->constraintEqualToConstant(100),
        card->heightAnchor()->constraintEqualToConstant(40),
    });
    scene.root->addSubview(card);
    auto below = card->topAnchor()->constraintEqualToAnchor(scene.a->bottomAnchor(), 5);
    NSLayoutConstraint::activateConstraints(
        {below, card->leftAnchor()->constraintEqualToAnchor(scene.a->leftAnchor())});
    auto guide = std::make_shared<NSLayoutGuide>();
    card->addLayoutGuide(guide);
    NSLayoutConstraint::activateConstraints({
        guide->leftAnchor()->constraintEqualToAnchor(label->rightAnchor()),
        guide->rightAnchor()->constraintEqualToAnchor(card->rightAnchor()),
        guide->topAnchor()->constraintEqualToAnchor(card->topAnchor()),
        guide->heightAnchor()->constraintEqualToConstant(4),
    });
    scene.root->layoutSubtreeIfNeeded();
    expectFrame(*card, {{10, 225}, {100, 40}});
    expectFrame(*label, {{25, 15}, {50, 10}});
    EXPECT_EQ(guide->frame(), NSMakeRect(75, 36, 25, 4));

    // a goes: what tied the card to it goes too, the card's own stay.
    scene.a->removeFromSuperview();
    EXPECT_FALSE(below->isActive());
    auto top = card->topAnchor()->constraintEqualToAnchor(scene.root->topAnchor());
    top->setActive(true);
    card->removeLayoutGuide(guide);
    scene.root->layoutSubtreeIfNeeded();
    EXPECT_EQ(card->frame().origin.y, 260);
    expectFrame(*label, {{25, 15}, {50, 10}});

    // Taken out, the card lays out as a tree of its own.
    card->removeFromSuperview();
    card->setFrameSize({0, 0});
    card->layoutSubtreeIfNeeded();
    EXPECT_EQ(card->frame().size, NSMakeSize(100, 40));
    expectFrame(*label, {{25, 15}, {50, 10}});
}

TEST(AutoLayout, LayoutGuidesAreLaidOutAndObservable)
{
    auto root = makeRoot(true);
    auto guide = std::make_shared<NSLayoutGuide>();
    guide->setIdentifier("label");
    root->addLayoutGuide(guide);
    EXPECT_EQ(guide->owningView(), root);
    auto width = guide->widthAnchor()->constraintEqualToConstant(120);
    NSLayoutConstraint::activateConstraints({
        guide->centerXAnchor()->constraintEqualToAnchor(root->centerXAnchor()),
        guide->topAnchor()->constraintEqualToAnchor(root->topAnchor(), 10),
        guide->bottomAnchor()->constraintEqualToAnchor(root->bottomAnchor(), -10),
        width,
    });
    std::vector<std::pair<NSRect, NSRect>> changes;
    auto token = observe(*guide, "frame", NSKeyValueObservingOptionNew | NSKeyValueObservingOptionOld,
                         [&](const KeyValueChange& change) {
                             changes.emplace_back(change.oldValue.object<NSValue>()->rectValue(),
                                                  change.newValue.object<NSValue>()->rectValue());
                         });
    root->layoutSubtreeIfNeeded();
    EXPECT_EQ(guide->frame(), NSMakeRect(140, 10, 120, 280));
    width->setConstant(200);
    root->layoutSubtreeIfNeeded();
    root->layoutSubtreeIfNeeded();
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_EQ(changes[1], std::make_pair(NSMakeRect(140, 10, 120, 280), NSMakeRect(100, 10, 200, 280)));

    root->removeLayoutGuide(guide);
    EXPECT_FALSE(width->isActive());
    EXPECT_TRUE(root->constraints().empty());
    EXPECT_EQ(guide->owningView(), nullptr);
}

TEST(AutoLayout, AutoresizedViewsTakePartAsTheirFramesSay)
{
    // A container that constraints keep 10 inside the root holds a
    // frame-based panel that grows with it, and a badge that constraints
    // place against the panel. The container's new size and the panel's
    // come out of the same solve.
    auto root = makeRoot();
    auto container = addChild(root);
    NSLayoutConstraint::activateConstraints({
        container->leftAnchor()->constraintEqualToAnchor(root->leftAnchor(), 10),
        container->rightAnchor()->constraintEqualToAnchor(root->rightAnchor(), -10),
        container->topAnchor()->constraintEqualToAnchor(root->topAnchor(), 10),
        container->bottomAnchor()->constraintEqualToAnchor(root->bottomAnchor(), -10),
    });
    root->layoutSubtreeIfNeeded();
    auto panel = std::make_shared<NSView>(NSMakeRect(20, 10, 340, 40));
    panel->setAutoresizingMask(NSViewWidthSizable | NSViewMaxYMargin);
    container->addSubview(panel);
    auto badge = addChild(container, {30, 30});
    NSLayoutConstraint::activateConstraints({
        badge->trailingAnchor()->constraintEqualToAnchor(panel->trailingAnchor()),
        badge->bottomAnchor()->constraintEqualToAnchor(panel->topAnchor(), -5),
    });
    root->layoutSubtreeIfNeeded();
    expectFrame(*container, {{10, 10}, {380, 280}});
    expectFrame(*badge, {{330, 55}, {30, 30}});

    // Wider and taller: the panel keeps its bottom margin (unflipped, its
    // origin) and takes the width; the badge stays over its top right.
    root->setFrameSize({500, 400});
    root->layoutSubtreeIfNeeded();
    expectFrame(*container, {{10, 10}, {480, 380}});
    expectFrame(*panel, {{20, 10}, {440, 40}});
    expectFrame(*badge, {{430, 55}, {30, 30}});

    // Moved by hand, the panel takes the badge along.
    panel->setFrame(NSMakeRect(0, 100, 200, 40));
    root->layoutSubtreeIfNeeded();
    expectFrame(*badge, {{170, 145}, {30, 30}});
}

TEST(AutoLayout, FittingSizeIsTheSmallestTheSubtreeAllows)
{
    // A tile: an icon over a label, 8 around and 4 between.
    auto tile = std::make_shared<NSView>(NSMakeRect(0, 0, 500, 500));
    auto icon = addChild(tile, {64, 64});
    auto label = addChild(tile, {90, 16});
    NSLayoutConstraint::activateConstraints({
        icon->topAnchor()->constraintEqualToAnchor(tile->topAnchor(), 8),
        icon->centerXAnchor()->constraintEqualToAnchor(tile->centerXAnchor()),
        icon->leadingAnchor()->constraintGreaterThanOrEqualToAnchor(tile->leadingAnchor(), 8),
        label->topAnchor()->constraintEqualToAnchor(icon->bottomAnchor(), 4),
        label->leadingAnchor()->constraintEqualToAnchor(tile->leadingAnchor(), 8),
        label->trailingAnchor()->constraintEqualToAnchor(tile->trailingAnchor(), -8),
        label->bottomAnchor()->constraintEqualToAnchor(tile->bottomAnchor(), -8),
    });
    EXPECT_EQ(tile->fittingSize(), NSMakeSize(106, 100));
    label->setIntrinsic({40, 16});
    EXPECT_EQ(tile->fittingSize(), NSMakeSize(80, 100));
    // Measuring moves nothing.
    EXPECT_EQ(tile->frame(), NSMakeRect(0, 0, 500, 500));

    // Without constraints: the intrinsic size, else the frame's.
    EXPECT_EQ(std::make_shared<ContentView>(NSSize{30, 12})->fittingSize(), NSMakeSize(30, 12));
    EXPECT_EQ(std::make_shared<NSView>(NSMakeRect(0, 0, 70, 40))->fittingSize(), NSMakeSize(70, 40));
}

TEST(AutoLayout, PassesUpdateConstraintsBottomUpThenLayOutTopDown)
{
    std::vector<std::string> log;
    auto root = makeRoot();
    auto outer = addChild(root);
    auto inner = addChild(outer, {10, 10});
    for (auto& [view, name] : {std::pair{root, "root"}, {outer, "outer"}, {inner, "inner"}}) {
        view->name = name;
        view->log = &log;
    }
    // A view may make its constraints in its own pass.
    inner->onUpdateConstraints = [&] {
        if (inner->constraints().empty())
            NSLayoutConstraint::activateConstraints({
                outer->leadingAnchor()->constraintEqualToAnchor(root->leadingAnchor()),
                outer->topAnchor()->constraintEqualToAnchor(root->topAnchor()),
                outer->widthAnchor()->constraintEqualToConstant(50),
                outer->heightAnchor()->constraintEqualToConstant(50),
                inner->centerXAnchor()->constraintEqualToAnchor(outer->centerXAnchor()),
                inner->centerYAnchor()->constraintEqualToAnchor(outer->centerYAnchor()),
                inner->widthAnchor()->constraintEqualToConstant(10),
            });
    };
    root->layoutSubtreeIfNeeded();
    EXPECT_EQ(log, (std::vector<std::string>{"inner updateConstraints", "outer updateConstraints",
                                             "root updateConstraints", "root layout", "outer layout", "inner layout"}));
    expectFrame(*inner, {{20, 20}, {10, 10}});

    log.clear();
    root->layoutSubtreeIfNeeded();
    EXPECT_TRUE(log.empty());
    outer->setNeedsUpdateConstraints(true);
    root->layoutSubtreeIfNeeded();
    EXPECT_EQ(log, (std::vector<std::string>{"outer updateConstraints"}));
}

}  // namespace
