#include "foundation/NSObjectController.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/NSException.h"
#include "foundation/NSKeyValueBinding.h"

using testing::ElementsAre;

namespace {

class Person : public NSObject {
    KS_OBJECT(Person, NSObject)
public:
    explicit Person(String name = String())
        : name_(std::move(name))
    {
    }
    const String& name() const { return name_; }
    void setName(const String& name)
    {
        automaticChange("name", [&] { name_ = name; });
    }

protected:
    static void describe(ClassDescriptor& d)
    {
        d.property<Person>(
            "name", [](Person& p) { return Id(p.name()); },
            [](Person& p, const Id& v) { p.setName(v.string() ? *v.string() : String()); });
    }

private:
    String name_;
};

// Writes every change it hears as "<label>=<new value>".
struct ChangeLog {
    std::vector<std::string> lines;
    std::vector<ObservationToken> tokens;

    void watch(NSObject& object, const String& keyPath)
    {
        std::string label = keyPath.utf8();
        tokens.push_back(observe(object, keyPath, NSKeyValueObservingOptionNew, [this, label](const KeyValueChange& c) {
            lines.push_back(label + "=" + c.newValue.description().utf8());
        }));
    }
};

std::string describe(const Id& value)
{
    return value.description().utf8();
}

}  // namespace

TEST(NSObjectControllerTest, ControllerMarkersAreThreeDistinctObjects)
{
    struct Case {
        const char* label;
        Id value;
        bool isMarker;
    };
    const Case cases[] = {
        {.label = "no selection", .value = NSNoSelectionMarker, .isMarker = true},
        {.label = "multiple values", .value = NSMultipleValuesMarker, .isMarker = true},
        {.label = "not applicable", .value = NSNotApplicableMarker, .isMarker = true},
        {.label = "nil", .value = Id(), .isMarker = false},
        {.label = "null", .value = Id::null(), .isMarker = false},
        {.label = "string", .value = "NSNoSelectionMarker", .isMarker = false},
        {.label = "object", .value = std::make_shared<Person>(), .isMarker = false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(NSIsControllerMarker(c.value), c.isMarker);
    }
    EXPECT_FALSE(NSNoSelectionMarker == NSMultipleValuesMarker);
    EXPECT_FALSE(NSMultipleValuesMarker == NSNotApplicableMarker);
    EXPECT_FALSE(NSNoSelectionMarker == NSNotApplicableMarker);
}

TEST(NSObjectControllerTest, SelectionAnswersTheContentsValuesOrAMarker)
{
    auto controller = std::make_shared<NSObjectController>();
    EXPECT_TRUE(controller->isKindOf<NSController>());
    EXPECT_TRUE(controller->valueForKeyPath("selection.name").isIdenticalTo(NSNoSelectionMarker));
    EXPECT_TRUE(controller->valueForKeyPath("selection.name.length").isIdenticalTo(NSNoSelectionMarker));
    EXPECT_TRUE(controller->selectedObjects().empty());

    controller->setContent(std::make_shared<Person>("Ada"));
    EXPECT_EQ(controller->valueForKeyPath("selection.name"), Id("Ada"));
    EXPECT_EQ(valueForKey(controller->selection(), "name"), Id("Ada"));
    EXPECT_TRUE(controller->valueForKeyPath("selection.age").isIdenticalTo(NSNotApplicableMarker));
    EXPECT_EQ(controller->selectedObjects().count(), 1u);

    controller->setContent(Dictionary{{"name", "Grace"}});
    EXPECT_EQ(controller->valueForKeyPath("selection.name"), Id("Grace"));
    EXPECT_EQ(controller->valueForKeyPath("content.name"), Id("Grace"));
    EXPECT_TRUE(controller->valueForKeyPath("selection.age").isNil());

    // The selection is one object for the controller's life.
    EXPECT_TRUE(controller->selection().isIdenticalTo(controller->valueForKey("selection")));
}

TEST(NSObjectControllerTest, SelectionObserversFollowNewContentAndTheContentsOwnChanges)
{
    auto controller = std::make_shared<NSObjectController>();
    auto ada = std::make_shared<Person>("Ada");
    auto grace = std::make_shared<Person>("Grace");
    ChangeLog log;
    log.watch(*controller, "selection.name");
    log.watch(*controller, "content");

    controller->setContent(ada);
    ada->setName("Ada L.");
    controller->setContent(grace);
    ada->setName("no longer selected");
    grace->setName("Grace H.");
    controller->setContent(ada);  // the content it had before: a change
    controller->setContent(ada);  // the same again: none
    controller->setContent(Id());

    EXPECT_THAT(log.lines, ElementsAre("selection.name=Ada", "content=" + describe(ada), "selection.name=Ada L.",
                                       "selection.name=Grace", "content=" + describe(grace), "selection.name=Grace H.",
                                       "selection.name=no longer selected", "content=" + describe(ada),
                                       "selection.name=NSNoSelectionMarker", "content=<null>"));
}

TEST(NSObjectControllerTest, ContentKeyPathsWriteADictionaryContentInPlace)
{
    auto controller = std::make_shared<NSObjectController>(Dictionary{{"Safari", "^s"}});
    ChangeLog log;
    log.watch(*controller, "content.Safari");
    log.watch(*controller, "selection.Mail");

    controller->setValueForKeyPath("^m", "content.Mail");
    controller->setValueForKeyPath("^m", "content.Mail");  // unchanged: no one is told
    controller->setValueForKeyPath(Id(), "content.Safari");
    controller->setValueForKeyPath("^M", "selection.Mail");
    controller->setValueForKeyPath(Id(), "content.Missing");

    EXPECT_EQ(controller->content(), Id(Dictionary{{"Mail", "^M"}}));
    // Each write is new content: the selection is announced, then the content.
    EXPECT_THAT(log.lines, ElementsAre("selection.Mail=^m", "content.Safari=^s", "selection.Mail=^m",
                                       "content.Safari=<null>", "selection.Mail=^M", "content.Safari=<null>"));

    // Nested dictionaries are rebuilt along the path.
    controller->setContent(Dictionary{{"group", Dictionary{{"a", Id::number(1)}}}});
    controller->setValueForKeyPath(Id::number(2), "content.group.b");
    EXPECT_EQ(controller->valueForKeyPath("content.group"), Id(Dictionary{{"a", Id::number(1)}, {"b", Id::number(2)}}));
}

TEST(NSObjectControllerTest, WritesToAnObjectContentGoToTheObject)
{
    auto ada = std::make_shared<Person>("Ada");
    auto controller = std::make_shared<NSObjectController>(ada);
    ChangeLog log;
    log.watch(*controller, "selection.name");
    controller->setValueForKeyPath("Ada L.", "selection.name");
    controller->setValueForKeyPath("Ada K.", "content.name");
    EXPECT_EQ(ada->name(), String("Ada K."));
    EXPECT_THAT(log.lines, ElementsAre("selection.name=Ada L.", "selection.name=Ada K."));

    // No content: nothing to write to, nothing raised.
    controller->setContent(Id());
    controller->setValueForKeyPath("x", "selection.name");
}

namespace {

// Computes a selection value of its own when the selection changes, the way
// controllers with derived values do, and announces it under its full path.
class UppercaseController : public NSObjectController {
    KS_OBJECT(UppercaseController, NSObjectController)
public:
    Id singleValueForKey(const String& key) override
    {
        if (key == "upper")
            return upper_;
        return NSObjectController::singleValueForKey(key);
    }
    Id valueForKeyPath(const String& keyPath) override
    {
        if (keyPath == "selection.upper")
            return upper_;
        return NSObjectController::valueForKeyPath(keyPath);
    }
    void didChangeValueForKey(const String& key) override
    {
        if (key == "selection")
            recompute();
        NSObjectController::didChangeValueForKey(key);
    }
    void refresh()
    {
        willChangeValueForKey("selection.upper");
        recompute();
        didChangeValueForKey("selection.upper");
    }

private:
    void recompute()
    {
        Id name = NSObjectController::valueForKeyPath("selection.name");
        upper_ = NSIsControllerMarker(name) ? name : Id(name.string() ? name.string()->uppercase() : String());
    }
    Id upper_ = NSNoSelectionMarker;
};

}  // namespace

TEST(NSObjectControllerTest, SubclassesAnswerComputedSelectionValuesThatObserversReadFresh)
{
    auto controller = std::make_shared<UppercaseController>();
    auto ada = std::make_shared<Person>("ada");
    ChangeLog log;
    log.watch(*controller, "selection.upper");

    controller->setContent(ada);
    EXPECT_EQ(valueForKey(controller->selection(), "upper"), Id("ADA"));
    ada->setName("lovelace");
    controller->refresh();
    controller->setContent(Id());
    // The content has no "upper" of its own, so its new name is heard only
    // through the announcement of the whole path.
    EXPECT_THAT(log.lines,
                ElementsAre("selection.upper=ADA", "selection.upper=LOVELACE", "selection.upper=NSNoSelectionMarker"));
}

TEST(NSObjectControllerTest, NewObjectAddObjectAndRemoveObject)
{
    auto controller = std::make_shared<NSObjectController>();
    EXPECT_EQ(controller->objectClass(), nullptr);
    EXPECT_EQ(controller->newObject(), Id(Dictionary()));

    controller->setObjectClass(&Person::descriptor());
    EXPECT_THROW(controller->newObject(), NSException);
    controller->setObjectClass(&Person::descriptor(), [] { return Id(std::make_shared<Person>("new")); });
    Id made = controller->newObject();
    ASSERT_TRUE(made.object<Person>());
    EXPECT_EQ(made.object<Person>()->name(), String("new"));

    controller->addObject(made);
    EXPECT_TRUE(controller->content().isIdenticalTo(made));
    controller->removeObject(std::make_shared<Person>("other"));
    EXPECT_TRUE(controller->content().isIdenticalTo(made));
    controller->removeObject(made);
    EXPECT_TRUE(controller->content().isNil());
}

namespace {

// An editor as controls are: it registers while it edits and may refuse to
// commit.
class Editor : public NSObject {
    KS_OBJECT(Editor, NSObject)
public:
    bool accepts = true;
    int discarded = 0;

protected:
    static void describe(ClassDescriptor& d)
    {
        d.method<Editor>("commitEditing", ReturnKind::Boolean,
                         [](Editor& e, std::span<const Id>) { return Id::boolean(e.accepts); });
        d.method<Editor>("discardEditing", ReturnKind::Void, [](Editor& e, std::span<const Id>) {
            ++e.discarded;
            return Id();
        });
    }
};

}  // namespace

TEST(NSObjectControllerTest, EditorsRegisterThroughTheDynamicEditingMessages)
{
    auto controller = std::make_shared<NSObjectController>();
    auto editor = std::make_shared<Editor>();
    ASSERT_TRUE(controller->respondsToSelector("objectDidBeginEditing:"));
    ASSERT_TRUE(controller->respondsToSelector("objectDidEndEditing:"));

    controller->performSelector("objectDidBeginEditing:", Id(editor));
    EXPECT_TRUE(controller->isEditing());
    editor->accepts = false;
    EXPECT_FALSE(controller->commitEditing());
    controller->discardEditing();
    EXPECT_EQ(editor->discarded, 1);

    controller->performSelector("objectDidEndEditing:", Id(editor));
    EXPECT_FALSE(controller->isEditing());
    EXPECT_TRUE(controller->commitEditing());
}

TEST(NSObjectControllerTest, TheEditingHookHearsEachBeginAndEndOnce)
{
    auto controller = std::make_shared<NSObjectController>();
    auto editor = std::make_shared<Editor>();
    std::vector<std::string> heard;
    NSController::setEditingHook([&](NSController& from, NSObject& who, bool began) {
        EXPECT_EQ(&from, controller.get());
        EXPECT_EQ(&who, editor.get());
        heard.push_back(began ? "began" : "ended");
    });
    controller->performSelector("objectDidBeginEditing:", Id(editor));
    controller->performSelector("objectDidBeginEditing:", Id(editor));
    controller->performSelector("objectDidEndEditing:", Id(editor));
    // An editor that isn't registered ends nothing.
    controller->performSelector("objectDidEndEditing:", Id(editor));
    NSController::setEditingHook(nullptr);
    controller->performSelector("objectDidBeginEditing:", Id(editor));
    EXPECT_EQ(heard, (std::vector<std::string>{"began", "ended"}));
}
