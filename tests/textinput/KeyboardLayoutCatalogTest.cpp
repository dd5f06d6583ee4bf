#include "textinput/KeyboardLayoutCatalog.h"

#include "TextInputTestSupport.h"
#include "textinput/Diagnostics.h"
#include "textinput/UCKeyboardLayout.h"
#include "textinput/VirtualKeyCodes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace textinput {
namespace {

namespace ID = InputSourceID;

// Captures diagnostics for the life of the object.
class DiagnosticRecorder {
public:
    DiagnosticRecorder()
    {
        previous_ = setDiagnosticHandler([this](std::string_view message) { messages.emplace_back(message); });
    }
    ~DiagnosticRecorder() { setDiagnosticHandler(std::move(previous_)); }
    std::vector<std::string> messages;

private:
    DiagnosticHandler previous_;
};

TEST(KeyboardLayoutCatalogTest, IdentifiersNameStableLayouts)
{
    struct Case {
        std::string_view identifier;
        std::string_view xkbLayout;
        std::string_view xkbVariant;
        std::string_view localizedName;
        bool asciiCapable;
        std::string_view language;
    };
    static constexpr Case cases[] = {
        {"com.apple.keylayout.US", "us", "", "U.S.", true, "en"},
        {"com.apple.keylayout.ABC", "us", "mac", "ABC", true, "en"},
        {"com.apple.keylayout.USInternational-PC", "us", "intl", "U.S. International – PC", true, "en"},
        {"com.apple.keylayout.Dvorak", "us", "dvorak", "Dvorak", true, "en"},
        {"com.apple.keylayout.British", "gb", "", "British", true, "en-GB"},
        {"com.apple.keylayout.German", "de", "", "German", true, "de"},
        {"com.apple.keylayout.French", "fr", "", "French", true, "fr"},
        {"com.apple.keylayout.Russian", "ru", "", "Russian", false, "ru"},
        {"com.apple.keylayout.Hebrew", "il", "", "Hebrew", false, "he"},
    };
    KeyboardLayoutCatalog& catalog = KeyboardLayoutCatalog::shared();
    ASSERT_EQ(catalog.layouts().size(), std::size(cases));
    for (const Case& row : cases) {
        SCOPED_TRACE(row.identifier);
        auto source = catalog.inputSource(row.identifier);
        ASSERT_NE(source, nullptr);
        EXPECT_EQ(TISGetInputSourceProperty(source, kTISPropertyInputSourceID), std::string(row.identifier));
        EXPECT_EQ(source->xkbLayout(), row.xkbLayout);
        EXPECT_EQ(source->xkbVariant(), row.xkbVariant);
        EXPECT_EQ(TISGetInputSourceProperty(source, kTISPropertyLocalizedName), std::string(row.localizedName));
        EXPECT_EQ(TISGetInputSourceProperty(source, kTISPropertyInputSourceIsASCIICapable), row.asciiCapable);
        EXPECT_EQ(TISGetInputSourceProperty(source, kTISPropertyInputSourceLanguages),
                  std::vector<std::string>{std::string(row.language)});
        const UCKeyboardLayout* keyLayout = TISGetInputSourceProperty(source, kTISPropertyUnicodeKeyLayoutData);
        ASSERT_NE(keyLayout, nullptr);
        EXPECT_EQ(keyLayout->isASCIICapable(), row.asciiCapable);
    }
}

TEST(KeyboardLayoutCatalogTest, IdentifierConstantsMatchTheCatalog)
{
    for (std::string_view identifier : {ID::US, ID::ABC, ID::USInternationalPC, ID::Dvorak, ID::British, ID::German,
                                        ID::French, ID::Russian, ID::Hebrew}) {
        SCOPED_TRACE(identifier);
        EXPECT_TRUE(KeyboardLayoutCatalog::shared().contains(identifier));
    }
}

TEST(KeyboardLayoutCatalogTest, SourcesAreBuiltOnceAndKept)
{
    KeyboardLayoutCatalog catalog;
    auto first = catalog.inputSource(ID::German);
    auto second = catalog.inputSource(ID::German);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first, second);
    EXPECT_EQ(first->keyLayout(), second->keyLayout());
    // The same xkb layout shares its key table with whoever asks for it.
    EXPECT_EQ(catalog.keyLayout("de", "").get(), first->keyLayout());
}

TEST(KeyboardLayoutCatalogTest, UnknownIdentifierGivesNoSource)
{
    EXPECT_EQ(KeyboardLayoutCatalog::shared().inputSource("com.apple.keylayout.Klingon"), nullptr);
    EXPECT_EQ(KeyboardLayoutCatalog::shared().inputSource(""), nullptr);
}

TEST(KeyboardLayoutCatalogTest, LayoutsCanBeAdded)
{
    KeyboardLayoutCatalog catalog(std::vector<KeyboardLayoutDescription>{});
    EXPECT_TRUE(catalog.layouts().empty());
    EXPECT_TRUE(catalog.addLayout({"com.apple.keylayout.German", "German (Mac)", "de", "mac", {"de"}}));
    EXPECT_FALSE(catalog.addLayout({"com.apple.keylayout.German", "German", "de", "", {"de"}}));
    EXPECT_FALSE(catalog.addLayout({"", "Nameless", "de", "", {}}));
    auto source = catalog.inputSource("com.apple.keylayout.German");
    ASSERT_NE(source, nullptr);
    EXPECT_EQ(source->localizedName(), "German (Mac)");
    EXPECT_EQ(source->xkbVariant(), "mac");
    EXPECT_EQ(test::describe(test::translate(source->keyLayout(), kVK_ANSI_Z).text), "y");
}

TEST(KeyboardLayoutCatalogTest, LayoutXkbCannotBuildGivesNoSourceAndIsReported)
{
    DiagnosticRecorder recorder;
    KeyboardLayoutCatalog catalog({{"org.kestrova.keylayout.Broken", "Broken", "us", "no-such-variant", {}}});
    EXPECT_EQ(catalog.inputSource("org.kestrova.keylayout.Broken"), nullptr);
    EXPECT_TRUE(catalog.inputSources().empty());
    ASSERT_FALSE(recorder.messages.empty());
    EXPECT_EQ(recorder.messages.back(), "xkb cannot build the keyboard layout us(no-such-variant)");
    // Tried once: a second request is answered from the failure.
    const auto reported = recorder.messages.size();
    EXPECT_EQ(catalog.inputSource("org.kestrova.keylayout.Broken"), nullptr);
    EXPECT_EQ(recorder.messages.size(), reported);
}

TEST(KeyboardLayoutCatalogTest, InputSourcesFollowCatalogOrder)
{
    std::vector<std::string> identifiers;
    for (const auto& source : KeyboardLayoutCatalog::shared().inputSources())
        identifiers.push_back(*source->identifier());
    std::vector<std::string> expected;
    for (const auto& layout : KeyboardLayoutCatalog::builtInLayouts())
        expected.push_back(layout.identifier);
    EXPECT_EQ(identifiers, expected);
}

TEST(KeyboardLayoutCatalogTest, FakeSourceWithoutIdentifier)
{
    auto source = KeyboardLayoutCatalog::shared().makeFakeInputSource({.identifier = std::nullopt});
    ASSERT_NE(source, nullptr);
    EXPECT_EQ(TISGetInputSourceProperty(source, kTISPropertyInputSourceID), std::nullopt);
    EXPECT_TRUE(source->isASCIICapable());
    EXPECT_EQ(test::describe(test::translate(source->keyLayout(), kVK_ANSI_A).text), "a");
}

TEST(KeyboardLayoutCatalogTest, FakeSourceWithoutKeyLayoutData)
{
    auto source = KeyboardLayoutCatalog::shared().makeFakeInputSource({.keysFrom = ""});
    ASSERT_NE(source, nullptr);
    EXPECT_EQ(TISGetInputSourceProperty(source, kTISPropertyUnicodeKeyLayoutData), nullptr);
    EXPECT_EQ(TISGetInputSourceProperty(source, kTISPropertyInputSourceID), "org.kestrova.keylayout.Fake");
    EXPECT_FALSE(source->isASCIICapable());
}

TEST(KeyboardLayoutCatalogTest, FakeSourceWithFailingTranslation)
{
    auto source = KeyboardLayoutCatalog::shared().makeFakeInputSource({.identifier = "org.kestrova.keylayout.Failing",
                                                                       .keysFrom = std::string(ID::Russian),
                                                                       .translationStatus = -50});
    ASSERT_NE(source->keyLayout(), nullptr);
    EXPECT_EQ(source->keyLayout()->translationStatus(), -50);
    EXPECT_EQ(test::translate(source->keyLayout(), kVK_ANSI_A).status, -50);
    EXPECT_FALSE(source->isASCIICapable());
    // The catalog's own Russian layout is untouched.
    EXPECT_EQ(test::translate(test::layoutOf(ID::Russian), kVK_ANSI_A).status, 0);
}

TEST(KeyboardLayoutCatalogTest, FakeSourceCanClaimToBeASCIICapable)
{
    auto source = KeyboardLayoutCatalog::shared().makeFakeInputSource(
        {.keysFrom = std::string(ID::Hebrew), .asciiCapable = true});
    EXPECT_TRUE(source->isASCIICapable());
}

TEST(TISInputSourceTest, PropertiesOfNoSourceAreEmpty)
{
    const TISInputSourceRef none;
    EXPECT_EQ(TISGetInputSourceProperty(none, kTISPropertyInputSourceID), std::nullopt);
    EXPECT_EQ(TISGetInputSourceProperty(none, kTISPropertyUnicodeKeyLayoutData), nullptr);
    EXPECT_EQ(TISGetInputSourceProperty(none, kTISPropertyLocalizedName), std::nullopt);
    EXPECT_FALSE(TISGetInputSourceProperty(none, kTISPropertyInputSourceIsASCIICapable));
    EXPECT_TRUE(TISGetInputSourceProperty(none, kTISPropertyInputSourceLanguages).empty());
}

TEST(TISInputSourceTest, PropertyKeysCarryThePlatformNames)
{
    EXPECT_EQ(kTISPropertyInputSourceID.name, "TISPropertyInputSourceID");
    EXPECT_EQ(kTISPropertyUnicodeKeyLayoutData.name, "TISPropertyUnicodeKeyLayoutData");
    EXPECT_EQ(kTISPropertyLocalizedName.name, "TISPropertyLocalizedName");
    EXPECT_EQ(kTISPropertyInputSourceIsASCIICapable.name, "TISPropertyInputSourceIsASCIICapable");
    EXPECT_EQ(kTISPropertyInputSourceLanguages.name, "TISPropertyInputSourceLanguages");
    EXPECT_EQ(kTISNotifySelectedKeyboardInputSourceChanged,
              "com.apple.Carbon.TISNotifySelectedKeyboardInputSourceChanged");
    EXPECT_EQ(TISInputSource::category(), "TISCategoryKeyboardInputSource");
    EXPECT_EQ(TISInputSource::type(), "TISTypeKeyboardLayout");
}

}  // namespace
}  // namespace textinput
