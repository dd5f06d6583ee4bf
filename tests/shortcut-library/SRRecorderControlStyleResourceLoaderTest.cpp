#include "shortcut-library/SRRecorderControlStyleResourceLoader.h"

#include "StyleResourceTestSupport.h"
#include "appkit/NSColor.h"
#include "appkit/NSFont.h"
#include "appkit/NSImage.h"
#include "appkit/NSParagraphStyle.h"
#include "foundation/Log.h"
#include "foundation/NSCache.h"
#include "foundation/NSException.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <functional>
#include <optional>
#include <string>
#include <thread>

namespace {

using Json = nlohmann::json;

// --- The info asset's checks ---

std::shared_ptr<SRRecorderControlStyleInfo> infoFrom(const std::string& text)
{
    return detail::SRRecorderControlStyleInfoFromData(Data(text.data(), text.size()), "sr-test-info");
}

std::optional<std::string> reasonForInfo(const Json& document)
{
    return reasonOf([&] { infoFrom(document.dump()); });
}

TEST(SRRecorderControlStyleInfoTest, EachFaultIsNamedByItsKeyPath)
{
    struct Case {
        const char* what;
        std::function<void(Json&)> change;
        const char* reason;
    } cases[] = {
        {"no metrics", [](Json& d) { d.erase("metrics"); }, "metrics: expected NSDictionary but got (null)"},
        {"no variants", [](Json& d) { d.erase("supportedComponents"); },
         "supportedComponents: expected NSArray but got (null)"},
        {"variants in an object", [](Json& d) { d["supportedComponents"] = Json::object(); },
         "supportedComponents: expected NSArray but got NSDictionary"},
        {"a variant that is text", [](Json& d) { d["supportedComponents"][0] = "aqua"; },
         "supportedComponents.[0]: expected NSDictionary but got NSString"},
        {"appearance too large", [](Json& d) { d["supportedComponents"][1]["appearance"] = 7; },
         "supportedComponents.[1].appearance: value >= 5"},
        {"appearance negative", [](Json& d) { d["supportedComponents"][1]["appearance"] = -1; },
         "supportedComponents.[1].appearance: value < 0"},
        {"appearance just too large", [](Json& d) { d["supportedComponents"][1]["appearance"] = 5.0; },
         "supportedComponents.[1].appearance: value >= 5"},
        {"accessibility beyond its bits", [](Json& d) { d["supportedComponents"][0]["accessibility"] = 4; },
         "supportedComponents.[0].accessibility: value must be with mask 3"},
        {"accessibility negative", [](Json& d) { d["supportedComponents"][0]["accessibility"] = -2; },
         "supportedComponents.[0].accessibility: value must be with mask 3"},
        {"accessibility none and more", [](Json& d) { d["supportedComponents"][0]["accessibility"] = 3; },
         "None cannot be combined with other accessibility options."},
        {"direction too large", [](Json& d) { d["supportedComponents"][0]["layoutDirection"] = 3; },
         "supportedComponents.[0].layoutDirection: value >= 3"},
        {"tint as text", [](Json& d) { d["supportedComponents"][0]["tint"] = "blue"; },
         "supportedComponents.[0].tint: expected NSNumber but got NSString"},
        // The variants are checked before the metrics.
        {"two faults",
         [](Json& d) {
             d.erase("metrics");
             d["supportedComponents"][1]["tint"] = 9;
         },
         "supportedComponents.[1].tint: value >= 3"},
        {"size with three keys", [](Json& d) { d["metrics"]["minSize"]["depth"] = 1; }, "minSize: unexpected keys"},
        {"size with a wrong key",
         [](Json& d) {
             d["metrics"]["minSize"].erase("height");
             d["metrics"]["minSize"]["depth"] = 1;
         },
         "minSize: missing height"},
        {"size of text", [](Json& d) { d["metrics"]["minSize"]["width"] = "100"; },
         "minSize.width: expected NSNumber but got NSString"},
        {"size as a list",
         [](Json& d) {
             d["metrics"]["focusRingCornerRadius"] = Json::array({5, 5});
         },
         "focusRingCornerRadius: expected NSDictionary but got NSArray"},
        {"a number missing", [](Json& d) { d["metrics"].erase("labelToCancel"); },
         "labelToCancel: expected NSNumber but got (null)"},
        {"a number that is null", [](Json& d) { d["metrics"]["baselineFromTop"] = nullptr; },
         "baselineFromTop: expected NSNumber but got NSNull"},
        // The metrics are checked in a fixed order, whatever the asset's.
        {"two metrics wrong",
         [](Json& d) {
             d["metrics"]["labelToAlignment"] = "6";
             d["metrics"]["alignmentInsets"] = 0;
         },
         "labelToAlignment: expected NSNumber but got NSString"},
        {"insets with a wrong key",
         [](Json& d) {
             d["metrics"]["focusRingInsets"].erase("right");
             d["metrics"]["focusRingInsets"]["end"] = 0;
         },
         "focusRingInsets: missing right"},
        {"font size of text", [](Json& d) { d["metrics"]["normalLabelAttributes"]["fontSize"] = "13"; },
         "normalLabelAttributes.fontSize: expected NSNumber but got NSString"},
        {"label attributes short of a key", [](Json& d) { d["metrics"]["disabledLabelAttributes"].erase("fontName"); },
         "disabledLabelAttributes: unexpected keys"},
        {"a colour nobody has", [](Json& d) { d["metrics"]["recordingLabelAttributes"]["fontColorName"] = "mauve"; },
         "recordingLabelAttributes.fontColorName: no colour named mauve in the catalog System"},
        {"a catalogue nobody has",
         [](Json& d) { d["metrics"]["recordingLabelAttributes"]["fontColorCatalogName"] = "Crayons"; },
         "recordingLabelAttributes.fontColorName: no colour named labelColor in the catalog Crayons"},
        {"a font nobody has", [](Json& d) { d["metrics"]["normalLabelAttributes"]["fontName"] = "No Such Face"; },
         "normalLabelAttributes.fontName: no font named No Such Face"},
        {"a font too large to lay out", [](Json& d) { d["metrics"]["normalLabelAttributes"]["fontSize"] = 1e300; },
         "normalLabelAttributes.fontSize: value >= 1000"},
        {"a document that is a list", [](Json& d) { d = Json::array(); },
         "sr-test-info: expected NSDictionary but got NSArray"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Json document = validInfo();
        c.change(document);
        EXPECT_EQ(reasonForInfo(document), std::optional<std::string>(c.reason));
    }
}

TEST(SRRecorderControlStyleInfoTest, TextThatIsNoJSONIsNamedWithTheParsersReason)
{
    for (std::string text : {"", "{\"supportedComponents\": [", "{\"a\": 1,}", "\xff"}) {
        SCOPED_TRACE(text);
        std::string reason = reasonOf([&] { infoFrom(text); }).value_or("no exception");
        EXPECT_TRUE(reason.starts_with("sr-test-info is an invalid JSON: ")) << reason;
        EXPECT_GT(reason.size(), std::string("sr-test-info is an invalid JSON: ").size());
    }
}

TEST(SRRecorderControlStyleInfoTest, VariantsAndMetricsAreConverted)
{
    Json document = validInfo();
    document["supportedComponents"] = Json::array(
        {Json::object(), {{"appearance", 3}, {"accessibility", 2}}, {{"layoutDirection", 2}, {"tint", 1.9}}});
    document["comment"] = "not carried over";
    document["metrics"]["alignmentInsets"] = {{"top", 1}, {"left", 2}, {"bottom", 3}, {"right", 4.5}};
    document["metrics"]["minSize"] = {{"width", 100}, {"height", 20}};
    document["metrics"]["cancelToClear"] = true;
    auto info = infoFrom(document.dump());

    std::vector<std::string> variants;
    for (const auto& components : info->supportedComponents())
        variants.push_back(components->stringRepresentation().utf8());
    // An empty object is the unspecified variant; one more ends the list.
    EXPECT_EQ(variants, (std::vector<std::string>{"", "-darkaqua-acc", "-rtl-blue", ""}));
    EXPECT_FALSE(info->supportedComponents().back()->isSpecified());

    const auto& metrics = info->metrics();
    EXPECT_EQ(metrics.alignmentInsets, NSEdgeInsetsMake(1, 2, 3, 4.5));
    EXPECT_EQ(metrics.minSize, NSMakeSize(100, 20));
    EXPECT_EQ(metrics.cancelToClear, 1);  // a Boolean is a number
    EXPECT_EQ(metrics.labelToCancel, 4);
}

TEST(SRRecorderControlStyleInfoTest, LabelAttributesCarryAParagraphAFontAColourAndTheLeastWidth)
{
    auto info = infoFrom(validInfo().dump());
    const Dictionary& attributes = info->metrics().normalLabelAttributes;
    EXPECT_EQ(attributes.count(), 4u);

    auto paragraph = attributes[NSParagraphStyleAttributeName].object<NSParagraphStyle>();
    ASSERT_TRUE(paragraph);
    EXPECT_EQ(paragraph->alignment(), NSTextAlignmentCenter);
    EXPECT_EQ(paragraph->lineBreakMode(), NSLineBreakByTruncatingMiddle);
    auto font = attributes[NSFontAttributeName].object<NSFont>();
    ASSERT_TRUE(font);
    EXPECT_TRUE(font->isEqual(Id(NSFont::systemFontOfSize(13))));
    EXPECT_EQ(attributes[NSForegroundColorAttributeName].object<NSColor>(), NSColor::systemColorNamed("labelColor"));

    Dictionary drawn = attributes;
    drawn.removeObject(SRMinimalDrawableWidthAttributeName);
    double ellipsis = sizeWithAttributes(String(u"\u2026"), drawn).width;
    EXPECT_GT(ellipsis, 0);
    EXPECT_EQ(attributes[SRMinimalDrawableWidthAttributeName].doubleValue(), ellipsis);

    // A named face is looked up by name; the system face by its own name.
    auto named = info->metrics().disabledLabelAttributes[NSFontAttributeName].object<NSFont>();
    ASSERT_TRUE(named);
    EXPECT_EQ(named->familyName(), String("DejaVu Serif"));
    EXPECT_EQ(named->pointSize(), 11);
}

// --- Loading from the bundles ---

class SRRecorderControlStyleResourceLoaderTest : public StyleResourceTest { };

TEST_F(SRRecorderControlStyleResourceLoaderTest, InfoComesFromTheLibraryBundleThenTheMainBundleAndIsKept)
{
    writeInfo(libraryResources() / "Assets/sr-test-info.json", validInfo());
    Json onlyInMain = validInfo();
    onlyInMain["supportedComponents"] = Json::array();
    writeInfo(mainResources() / "Assets/sr-main-info.json", onlyInMain);
    // The library's copy wins over the application's.
    writeInfo(mainResources() / "Assets/sr-test-info.json", onlyInMain);
    useApp();

    ScopedLogCapture log;
    SRRecorderControlStyleResourceLoader loader;
    TestStyle style("sr-test", components(1, 1, 1, 1));
    auto info = loader.infoForStyle(style);
    EXPECT_EQ(info->supportedComponents().size(), validInfo()["supportedComponents"].size() + 1);
    EXPECT_EQ(loader.infoForStyle(TestStyle("sr-test", components(3, 2, 2, 2))), info);
    EXPECT_EQ(loader.infoForStyle(TestStyle("sr-main", nullptr))->supportedComponents().size(), 1u);
    EXPECT_EQ(log.sink().texts(),
              (std::vector<std::string>{"Fetching info", "Info is not in cache", "Fetching info", "Info is in cache",
                                        "Fetching info", "Info is not in cache"}));
    EXPECT_EQ(log.sink().entries()[0].values.at(0), (std::pair<std::string, Id>{"identifier", Id("sr-test")}));

    // An evicted entry is read again.
    loader.cache().evictAll();
    auto again = loader.infoForStyle(style);
    EXPECT_NE(again, info);
    EXPECT_EQ(again->supportedComponents().size(), info->supportedComponents().size());
}

TEST_F(SRRecorderControlStyleResourceLoaderTest, AMissingOrFaultyAssetRaisesAndNothingHalfMadeIsKept)
{
    useApp();
    SRRecorderControlStyleResourceLoader loader;
    TestStyle style("sr-test", components(1, 1, 1, 1));
    EXPECT_EQ(reasonOf([&] { loader.infoForStyle(style); }), std::optional<std::string>("Missing sr-test-info"));

    Json faulty = validInfo();
    faulty["metrics"].erase("minSize");
    writeInfo(libraryResources() / "Assets/sr-test-info.json", faulty);
    EXPECT_EQ(reasonOf([&] { loader.lookupPrefixesForStyle(style); }),
              std::optional<std::string>("minSize: expected NSDictionary but got (null)"));
    EXPECT_EQ(loader.cache().count(), 0u);

    // Mended, the asset is read: on another thread, which shows that the
    // lock went with the exception.
    writeInfo(libraryResources() / "Assets/sr-test-info.json", validInfo());
    std::shared_ptr<SRRecorderControlStyleInfo> info;
    std::thread([&] { info = loader.infoForStyle(style); }).join();
    EXPECT_TRUE(info);
}

TEST_F(SRRecorderControlStyleResourceLoaderTest, PrefixesRunFromTheClosestVariantToTheBareIdentifier)
{
    Json document = validInfo();
    document["supportedComponents"] =
        Json::array({{{"appearance", 1}},
                     {{"appearance", 3}},
                     {{"appearance", 3}, {"accessibility", 2}, {"layoutDirection", 1}, {"tint", 1}}});
    writeInfo(libraryResources() / "Assets/sr-test-info.json", document);
    document["supportedComponents"] = Json::array();
    writeInfo(libraryResources() / "Assets/sr-empty-info.json", document);
    useApp();

    SRRecorderControlStyleResourceLoader loader;
    EXPECT_EQ(loader.lookupPrefixesForStyle(TestStyle("sr-test", components(3, 2, 1, 1))),
              (std::vector<String>{"sr-test-darkaqua-acc-ltr-blue", "sr-test-darkaqua", "sr-test-aqua", "sr-test"}));
    EXPECT_EQ(loader.lookupPrefixesForStyle(TestStyle("sr-test", components(2, 1, 2, 2))),
              (std::vector<String>{"sr-test-aqua", "sr-test-darkaqua", "sr-test-darkaqua-acc-ltr-blue", "sr-test"}));
    // Nothing to be closer to: the asset's order stands.
    EXPECT_EQ(loader.lookupPrefixesForStyle(TestStyle("sr-test", components(0, 0, 0, 0))),
              (std::vector<String>{"sr-test-aqua", "sr-test-darkaqua", "sr-test-darkaqua-acc-ltr-blue", "sr-test"}));
    EXPECT_EQ(loader.lookupPrefixesForStyle(TestStyle("sr-empty", components(3, 2, 1, 1))),
              (std::vector<String>{"sr-empty"}));

    ScopedLogCapture log;
    loader.lookupPrefixesForStyle(TestStyle("sr-test", components(3, 2, 1, 1)));
    EXPECT_TRUE(log.sink().contains(LogLevel::Debug, "Lookup prefixes are in cache"));
    EXPECT_FALSE(log.sink().contains(LogLevel::Debug, "Info is in cache"));
}

TEST_F(SRRecorderControlStyleResourceLoaderTest, AnImageIsTheFirstVariantsThatHasItAndOnlyWhereItWasFoundIsKept)
{
    Json document = validInfo();
    document["supportedComponents"] = Json::array({{{"appearance", 1}}, {{"appearance", 3}}});
    writeInfo(libraryResources() / "Assets/sr-test-info.json", document);
    writePng(libraryResources() / "sr-test-aqua-bezel-normal-left.png", 6, 22);
    writePng(libraryResources() / "sr-test-aqua-bezel-normal-left@2x.png", 12, 44);
    writePng(libraryResources() / "sr-test-darkaqua-button-clear-normal.png", 14, 14);
    // Only the application has this one, for the light look.
    writePng(mainResources() / "sr-test-aqua-button-cancel-normal.png", 14, 14);
    useApp();

    SRRecorderControlStyleResourceLoader loader;
    TestStyle dark("sr-test", components(3, 1, 1, 1));
    auto bezel = loader.imageNamed("bezel-normal-left", dark);
    ASSERT_TRUE(bezel);
    EXPECT_TRUE(bezel->path().hasSuffix("/sr-test-aqua-bezel-normal-left.png"));
    EXPECT_EQ(bezel->size(), NSMakeSize(6, 22));
    EXPECT_EQ(bezel->representations().size(), 2u);  // its @2x companion too
    EXPECT_TRUE(
        loader.imageNamed("button-clear-normal", dark)->path().hasSuffix("/sr-test-darkaqua-button-clear-normal.png"));

    auto cancel = loader.imageNamed("button-cancel-normal", dark);
    ASSERT_TRUE(cancel);
    EXPECT_EQ(cancel, NSImage::imageNamed("sr-test-aqua-button-cancel-normal"));

    // A better image that turns up later isn't searched for: the kept entry
    // names where the image was, and it is loaded the same way again.
    writePng(libraryResources() / "sr-test-darkaqua-button-cancel-normal.png", 14, 14);
    writePng(libraryResources() / "sr-test-darkaqua-bezel-normal-left.png", 6, 22);
    ScopedLogCapture log;
    EXPECT_EQ(loader.imageNamed("button-cancel-normal", dark), cancel);
    auto again = loader.imageNamed("bezel-normal-left", dark);
    EXPECT_NE(again, bezel);  // a new object from the library bundle each time
    EXPECT_EQ(again->path(), bezel->path());
    EXPECT_EQ(log.sink().texts(), (std::vector<std::string>{"Fetching image name", "Image name is in cache",
                                                            "Fetching image name", "Image name is in cache"}));

    // Other components are other entries.
    EXPECT_TRUE(loader.imageNamed("bezel-normal-left", TestStyle("sr-test", components(3, 1, 1, 2)))
                    ->path()
                    .hasSuffix("/sr-test-darkaqua-bezel-normal-left.png"));

    EXPECT_EQ(reasonOf([&] { loader.imageNamed("bezel-none", dark); }),
              std::optional<std::string>("Missing image named bezel-none"));
}

TEST_F(SRRecorderControlStyleResourceLoaderTest, EachOperationRunsInAnActivityOfItsName)
{
    writeInfo(libraryResources() / "Assets/sr-test-info.json", validInfo());
    writePng(libraryResources() / "sr-test-bezel-normal-left.png", 6, 22);
    useApp();
    SRRecorderControlStyleResourceLoader loader;
    ActivityRecorder activities;
    loader.imageNamed("bezel-normal-left", TestStyle("sr-test", components(1, 1, 1, 1)));
    EXPECT_EQ(activities.names(), (std::vector<std::string>{
                                      "-[SRRecorderControlStyleResourceLoader imageNamed:forStyle:]",
                                      "-[SRRecorderControlStyleResourceLoader lookupPrefixesForStyle:]",
                                      "-[SRRecorderControlStyleResourceLoader infoForStyle:]",
                                  }));
}

}  // namespace
