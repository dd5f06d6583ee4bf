#include "foundation/NSKeyValueBinding.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TemporaryFolder.h"
#include "foundation/NSException.h"
#include "foundation/NSObjectController.h"
#include "foundation/NSUserDefaultsController.h"
#include "foundation/NSValueTransformer.h"

using testing::ElementsAre;

namespace {

class Model : public NSObject {
    KS_OBJECT(Model, NSObject)
public:
    Id name;
    void setName(const Id& value)
    {
        automaticChange("name", [&] { name = value; });
    }

protected:
    static void describe(ClassDescriptor& d)
    {
        d.property<Model>(
            "name", [](Model& m) { return m.name; }, [](Model& m, const Id& v) { m.setName(v); });
    }
};

// A control with a bindable "value": every value the binding sets is written
// down; `edit` is the user changing it in the control.
class Control : public NSObject {
    KS_OBJECT(Control, NSObject)
public:
    Id value;
    std::vector<std::string> sets;
    bool edit(const Id& edited)
    {
        value = edited;
        return propagateBindingValue(*this, NSValueBinding, edited);
    }

protected:
    static void describe(ClassDescriptor& d)
    {
        d.property<Control>(
            "value", [](Control& c) { return c.value; },
            [](Control& c, const Id& v) {
                c.value = v;
                c.sets.push_back(v.description().utf8());
            });
    }
};

// "x" <-> "[x]"; anything else has no form.
class Bracketing : public NSValueTransformer {
    KS_OBJECT(Bracketing, NSValueTransformer)
public:
    explicit Bracketing(bool reversible = true)
        : reversible_(reversible)
    {
    }
    Id transformedValue(const Id& value) override
    {
        if (!value.isString())
            return Id();
        return String("[").appending(*value.string()).appending("]");
    }
    Id reverseTransformedValue(const Id& value) override
    {
        if (!value.isString() || value.string()->length() < 2)
            return Id();
        return value.string()->substring(1, value.string()->length() - 2);
    }
    bool allowsReverseTransformation() const override { return reversible_; }

private:
    bool reversible_;
};

const String bracketingName = "BracketingTransformerForTest";

}  // namespace

TEST(NSKeyValueBindingTest, AValueBindingGoesBothWaysThroughItsTransformerWithoutEcho)
{
    NSValueTransformer::setValueTransformer(std::make_shared<Bracketing>(), bracketingName);
    struct Case {
        const char* label;
        Dictionary options;
    };
    const Case cases[] = {
        {.label = "transformer object", .options = {{NSValueTransformerBindingOption, std::make_shared<Bracketing>()}}},
        {.label = "transformer name", .options = {{NSValueTransformerNameBindingOption, bracketingName}}},
        {.label = "name, object given as the null marker",
         .options = {{NSValueTransformerBindingOption, Id::null()},
                     {NSValueTransformerNameBindingOption, bracketingName}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        auto model = std::make_shared<Model>();
        model->setName("Ada");
        auto control = std::make_shared<Control>();
        control->bind(NSValueBinding, model, "name", c.options);
        model->setName("Grace");
        EXPECT_TRUE(control->edit("[Lin]"));
        EXPECT_EQ(model->name, Id("Lin"));
        // The write-back reached the model without coming back to the control.
        EXPECT_THAT(control->sets, ElementsAre("[Ada]", "[Grace]"));
        model->setName("Hopper");
        EXPECT_EQ(control->value, Id("[Hopper]"));
    }
    NSValueTransformer::setValueTransformer(nullptr, bracketingName);
}

TEST(NSKeyValueBindingTest, WithoutAReversibleTransformerTheValueIsWrittenAsItIs)
{
    struct Case {
        const char* label;
        Dictionary options;
        Id shown;
    };
    const Case cases[] = {
        {.label = "no options", .options = {}, .shown = "Ada"},
        {.label = "forward only",
         .options = {{NSValueTransformerBindingOption, std::make_shared<Bracketing>(false)}},
         .shown = "[Ada]"},
        {.label = "unregistered name",
         .options = {{NSValueTransformerNameBindingOption, "NoSuchTransformer"}},
         .shown = "Ada"},
        {.label = "null markers",
         .options = {{NSValueTransformerBindingOption, Id::null()}, {NSValueTransformerNameBindingOption, Id::null()}},
         .shown = "Ada"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        auto model = std::make_shared<Model>();
        model->setName("Ada");
        auto control = std::make_shared<Control>();
        control->bind(NSValueBinding, model, "name", c.options);
        EXPECT_EQ(control->value, c.shown);
        control->edit("typed");
        EXPECT_EQ(model->name, Id("typed"));
    }
}

TEST(NSKeyValueBindingTest, InfoForBindingNamesTheObjectKeyPathAndOptionsUntilUnbound)
{
    auto model = std::make_shared<Model>();
    auto control = std::make_shared<Control>();
    EXPECT_TRUE(control->infoForBinding(NSValueBinding).isNil());

    Dictionary options{{NSValueTransformerNameBindingOption, "X"},
                       {NSContinuouslyUpdatesValueBindingOption, Id::boolean(true)}};
    control->bind(NSValueBinding, model, "name", options);
    Id info = control->infoForBinding(NSValueBinding);
    ASSERT_TRUE(info.isDictionary());
    EXPECT_TRUE(info[NSObservedObjectKey].isIdenticalTo(Id(model)));
    EXPECT_EQ(info[NSObservedKeyPathKey], Id("name"));
    EXPECT_EQ(info[NSOptionsKey], Id(options));
    EXPECT_TRUE(control->infoForBinding(NSEnabledBinding).isNil());

    control->unbind(NSValueBinding);
    control->unbind(NSValueBinding);  // not bound any more: nothing happens
    EXPECT_TRUE(control->infoForBinding(NSValueBinding).isNil());
    model->setName("after");
    EXPECT_FALSE(control->edit("typed"));
    EXPECT_EQ(model->name, Id("after"));
    EXPECT_THAT(control->sets, ElementsAre("(null)"));
}

TEST(NSKeyValueBindingTest, BindingAgainReplacesTheEarlierBinding)
{
    auto first = std::make_shared<Model>();
    auto second = std::make_shared<Model>();
    second->setName("second");
    auto control = std::make_shared<Control>();
    control->bind(NSValueBinding, first, "name", {});
    control->bind(NSValueBinding, second, "name", {});
    first->setName("ignored");
    EXPECT_EQ(control->value, Id("second"));
    control->edit("typed");
    EXPECT_TRUE(first->name == Id("ignored"));
    EXPECT_EQ(second->name, Id("typed"));
}

TEST(NSKeyValueBindingTest, RefusedBindingsLeaveTheObjectUnbound)
{
    auto model = std::make_shared<Model>();
    auto control = std::make_shared<Control>();
    EXPECT_THROW(control->bind(NSValueBinding, "not an object", "name", {}), NSException);
    try {
        control->bind("title", model, "name", {});
        FAIL() << "no exception";
    } catch (const NSException& e) {
        EXPECT_EQ(e.name(), NSUndefinedKeyException);
    }
    EXPECT_TRUE(control->infoForBinding("title").isNil());
    model->setName("no one listens");
}

TEST(NSKeyValueBindingTest, ABindingHoldsItsObservedObjectUntilItsOwnerGoes)
{
    auto model = std::make_shared<Model>();
    std::weak_ptr<Model> weak = model;
    auto control = std::make_shared<Control>();
    control->bind(NSValueBinding, model, "name", {});
    model.reset();
    ASSERT_FALSE(weak.expired());
    control.reset();
    EXPECT_TRUE(weak.expired());
}

TEST(NSKeyValueBindingTest, ControllerMarkersReachTheControlUntransformed)
{
    auto controller = std::make_shared<NSObjectController>();
    auto control = std::make_shared<Control>();
    control->bind(NSValueBinding, controller, "selection.name",
                  {{NSValueTransformerBindingOption, std::make_shared<Bracketing>()}});
    EXPECT_TRUE(control->value.isIdenticalTo(NSNoSelectionMarker));
    auto model = std::make_shared<Model>();
    model->setName("Ada");
    controller->setContent(model);
    EXPECT_EQ(control->value, Id("[Ada]"));
    control->edit("[Lin]");
    EXPECT_EQ(model->name, Id("Lin"));
}

TEST(NSKeyValueBindingTest, ControlsBoundIntoADictionaryContentWriteAndRemoveTheirEntries)
{
    auto controller = std::make_shared<NSObjectController>(Dictionary{{"Safari", "^s"}, {"Mail", "^m"}});
    auto options = Dictionary{{NSValueTransformerBindingOption, std::make_shared<Bracketing>()},
                              {NSDeletesObjectsOnRemoveBindingOption, Id::boolean(true)}};
    auto safari = std::make_shared<Control>();
    auto notes = std::make_shared<Control>();
    safari->bind(NSValueBinding, controller, "content.Safari", options);
    notes->bind(NSValueBinding, controller, "content.Notes", options);
    EXPECT_EQ(safari->value, Id("[^s]"));
    EXPECT_TRUE(notes->value.isNil());

    notes->edit("[^n]");
    safari->edit(Id());
    EXPECT_EQ(controller->content(), Id(Dictionary{{"Mail", "^m"}, {"Notes", "^n"}}));
    // Each control hears the content change when another writes, never its
    // own write.
    EXPECT_THAT(safari->sets, ElementsAre("[^s]", "[^s]"));
    EXPECT_THAT(notes->sets, ElementsAre("(null)", "[^n]"));
}

TEST(NSKeyValueBindingTest, ContentFollowsAUserDefaultThroughANamedTransformer)
{
    NSValueTransformer::setValueTransformer(std::make_shared<Bracketing>(), bracketingName);
    TemporaryFolder home;
    auto defaults = NSUserDefaults::create(home.path(), "org.kestrova.tests.binding");
    auto defaultsController = std::make_shared<NSUserDefaultsController>(*defaults);
    defaults->setObject("^\t", "shortcut-Kestrova");

    auto controller = std::make_shared<NSObjectController>();
    std::vector<std::string> heard;
    ObservationToken token =
        observe(*controller, "selection.length", NSKeyValueObservingOptionNew,
                [&](const KeyValueChange&) { heard.push_back(controller->content().description().utf8()); });
    controller->bind(NSContentObjectBinding, defaultsController, "values.shortcut-Kestrova",
                     {{NSValueTransformerNameBindingOption, bracketingName}});
    EXPECT_EQ(controller->content(), Id("[^\t]"));
    defaults->setObject("^a", "shortcut-Kestrova");
    defaultsController->setValueForKeyPath(Id(), "values.shortcut-Kestrova");
    EXPECT_THAT(heard, ElementsAre("[^\t]", "[^a]", "(null)"));
    controller->unbind(NSContentObjectBinding);
    NSValueTransformer::setValueTransformer(nullptr, bracketingName);
}
