#include "AppKitTestFixture.h"
#include "TemporaryFolder.h"
#include "appkit/NSCollectionView.h"
#include "appkit/NSCollectionViewItem.h"
#include "appkit/NSLayoutConstraint.h"
#include "appkit/NSNib.h"
#include "appkit/NSScrollView.h"
#include "appkit/NSStoryboard.h"
#include "appkit/NSTextField.h"
#include "appkit/NSView.h"
#include "foundation/Log.h"
#include "foundation/NSBundle.h"

#include <memory>
#include <string>
#include <vector>

namespace {

// A tile: a label 12 from the leading edge and 10 from the top and bottom,
// at least 100 wide; the owner's view and text field are connected.
constexpr const char* kTile = R"({
  "owner": {"class": "NSCollectionViewItem", "outlets": {"view": "tile", "textField": "name"}},
  "objects": [
    {"id": "tile", "class": "NSView", "frame": [0, 0, 10, 10],
     "subviews": [{"id": "name", "class": "NSTextField", "properties": {"stringValue": "Safari"}}],
     "constraints": [
       {"first": "name.leading", "second": "tile.leading", "constant": 12},
       {"first": "tile.trailing", "relation": ">=", "second": "name.trailing", "constant": 12},
       {"first": "name.top", "second": "tile.top", "constant": 10},
       {"first": "tile.bottom", "second": "name.bottom", "constant": 10},
       {"first": "tile.width", "relation": ">=", "constant": 100, "identifier": "least width"},
       {"first": "tile.width", "constant": 0, "priority": 1}
     ]},
    {"id": "spare", "class": "NSObject"}
  ]
})";

class NibFileTest : public AppKitTest {
protected:
    NibFileTest() { Log::setSink(log); }
    ~NibFileTest() override { Log::setSink(previous_); }

    std::shared_ptr<CapturingLogSink> log = std::make_shared<CapturingLogSink>();

private:
    std::shared_ptr<LogSink> previous_ = Log::sink();
};

TEST_F(NibFileTest, EachLoadMakesFreshObjectsLaidOutByTheirConstraints)
{
    TemporaryFolder folder;
    folder.write("Tiles.bundle/Info.plist", "{CFBundleIdentifier = com.example.tiles;}");
    folder.write("Tiles.bundle/Resources/Tile.nib.json", kTile);
    auto bundle = NSBundle::bundleWithPath(String(folder / "Tiles.bundle"));
    auto nib = NSNib::nibNamed("Tile", bundle);
    ASSERT_NE(nib, nullptr);
    EXPECT_EQ(NSNib::nibNamed("Missing", bundle), nullptr);

    auto first = std::make_shared<NSCollectionViewItem>();
    auto second = std::make_shared<NSCollectionViewItem>();
    NSNib::Objects firstObjects, secondObjects;
    ASSERT_TRUE(nib->instantiateWithOwner(Id(first), &firstObjects));
    ASSERT_TRUE(nib->instantiateWithOwner(Id(second), &secondObjects));
    ASSERT_EQ(firstObjects.size(), 2u);
    EXPECT_NE(firstObjects[0], secondObjects[0]);

    auto label = first->textField();
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(first->view(), firstObjects[0]);
    EXPECT_EQ(label->superview(), first->view());
    EXPECT_NE(second->textField(), label);
    // The constraints place the label; the top-level view keeps its frame.
    EXPECT_FALSE(label->translatesAutoresizingMaskIntoConstraints());
    EXPECT_TRUE(first->view()->translatesAutoresizingMaskIntoConstraints());
    ASSERT_EQ(first->view()->constraints().size(), 6u);
    EXPECT_EQ(first->view()->constraints()[4]->identifier(), String("least width"));

    NSSize text = label->intrinsicContentSize();
    NSSize fitting = first->view()->fittingSize();
    EXPECT_EQ(fitting.height, text.height + 20);
    EXPECT_EQ(fitting.width, std::max<CGFloat>(100, text.width + 24));

    first->view()->setFrame(NSMakeRect(0, 0, 300, fitting.height));
    first->view()->layoutSubtreeIfNeeded();
    EXPECT_EQ(label->frame().origin.x, 12);
    EXPECT_EQ(label->frame().origin.y, 10);
}

TEST_F(NibFileTest, AMalformedNibIsRefusedWithThePlaceNamed)
{
    struct Case {
        const char* json;
        const char* message;
    };
    const Case cases[] = {
        {R"({"objects": [{"id": "v", "class": "NSView", "constraints": [{"first": "v.middle", "constant": 1}]}]})",
         "objects[0].constraints[0].first: unknown attribute 'middle'"},
        {R"({"objects": [{"id": "v", "class": "NSView", "constraints": [{"first": "w.width", "constant": 1}]}]})",
         "objects[0].constraints[0].first: no object 'w' in the scene"},
        {R"({"objects": [{"id": "v", "class": "NSView", "constraints": [{"first": "v.top", "constant": 1}]}]})",
         "objects[0].constraints[0]: only a width or a height can be held to a constant"},
        {R"({"objects": [{"id": "v", "class": "NSView", "constraints": [{"first": "v.width", "relation": "<"}]}]})",
         "objects[0].constraints[0].relation: expected '==', '<=' or '>='"},
        {R"({"objects": [{"id": "v", "class": "NSView", "constraints": [{"first": "v.width", "priority": 0}]}]})",
         "objects[0].constraints[0].priority: expected a priority from 1 to 1000"},
        {R"({"objects": [{"id": "m", "class": "NSObject", "constraints": []}]})",
         "objects[0].constraints: only views hold constraints"},
        {R"({"owner": {"class": "NSCollectionViewItem", "outlets": {"box": "v"}}, "objects": [{"id": "v", "class": "NSView"}]})",
         "owner.outlets.box: NSCollectionViewItem has no outlet 'box'"},
        {R"({"owner": {"class": "NSCollectionViewItem", "outlets": {"view": "w"}}, "objects": []})",
         "owner.outlets.view: no object 'w' in the scene"},
        {R"({"owner": {"class": "Nothing"}})", "owner.class: unknown class 'Nothing'"},
        {R"({"scenes": []})", "nib: unknown key 'scenes'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.json);
        auto read = NSNib::nibWithData(c.json, "Bad");
        EXPECT_FALSE(read.ok());
        EXPECT_EQ(read.error(), c.message);
    }
}

TEST_F(NibFileTest, AnOwnerOfAnotherClassGetsNoObjects)
{
    auto read = NSNib::nibWithData(kTile, "Tile");
    ASSERT_TRUE(read.ok()) << read.error();
    const std::shared_ptr<NSNib>& nib = *read;
    NSNib::Objects objects;
    EXPECT_FALSE(nib->instantiateWithOwner(Id(std::make_shared<NSView>()), &objects));
    EXPECT_TRUE(objects.empty());
    EXPECT_EQ(log->texts(),
              (std::vector<std::string>{
                  "Could not load the nib 'Tile': owner: the owner is NSView, not NSCollectionViewItem"}));
    // Without an owner the objects are made all the same.
    EXPECT_TRUE(nib->instantiateWithOwner(Id(), &objects));
    EXPECT_EQ(objects.size(), 2u);
}

TEST_F(NibFileTest, StoryboardsGiveScrollViewsTheirDocument)
{
    auto read = NSStoryboard::storyboardWithData(R"({"scenes": [{"identifier": "List", "controller": {
      "class": "NSViewController",
      "view": {"class": "NSView", "frame": [0, 0, 200, 100], "subviews": [
        {"id": "scroll", "class": "NSScrollView", "frame": [0, 0, 200, 100],
         "properties": {"hasVerticalScroller": true},
         "documentView": {"id": "list", "class": "NSCollectionView"}}]}}}]})",
                                                 nullptr);
    ASSERT_TRUE(read.ok()) << read.error();
    const std::shared_ptr<NSStoryboard>& storyboard = *read;
    auto controller = storyboard->instantiateControllerWithIdentifier("List").object<NSViewController>();
    ASSERT_NE(controller, nullptr);
    auto scroll = std::dynamic_pointer_cast<NSScrollView>(controller->view()->subviews().at(0));
    ASSERT_NE(scroll, nullptr);
    EXPECT_TRUE(scroll->hasVerticalScroller());
    ASSERT_NE(scroll->documentView(), nullptr);
    EXPECT_TRUE(scroll->documentView()->isKindOf<NSCollectionView>());

    auto refused = NSStoryboard::storyboardWithData(
        R"({"scenes": [{"identifier": "X", "controller": {"class": "NSViewController",
            "view": {"class": "NSView", "documentView": {"class": "NSView"}}}}]})",
        nullptr);
    EXPECT_FALSE(refused.ok());
    EXPECT_EQ(refused.error(), "scenes[0].controller.view.documentView: only scroll views have a document view");
}

}  // namespace
