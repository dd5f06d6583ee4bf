#include "textinput/KeyboardLayoutRegistry.h"

#include "TextInputTestSupport.h"
#include "textinput/UCKeyboardLayout.h"
#include "textinput/VirtualKeyCodes.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace textinput {
namespace {

namespace ID = InputSourceID;

std::string identifierOf(const TISInputSourceRef& source)
{
    if (!source)
        return "<none>";
    return TISGetInputSourceProperty(source, kTISPropertyInputSourceID).value_or("<no identifier>");
}

class KeyboardLayoutRegistryTest : public testing::Test {
protected:
    std::shared_ptr<KeyboardLayoutRegistry> registry = std::make_shared<KeyboardLayoutRegistry>();
    ScopedCurrentKeyboardLayoutRegistry scope{registry};
};

TEST_F(KeyboardLayoutRegistryTest, StartsWithTheUSLayout)
{
    EXPECT_EQ(identifierOf(TISCopyCurrentKeyboardLayoutInputSource()), ID::US);
    EXPECT_EQ(identifierOf(TISCopyCurrentASCIICapableKeyboardLayoutInputSource()), ID::US);
}

TEST_F(KeyboardLayoutRegistryTest, StartsWithTheGivenLayout)
{
    KeyboardLayoutRegistry german(ID::German);
    EXPECT_EQ(identifierOf(german.currentKeyboardLayoutInputSource()), ID::German);
    KeyboardLayoutRegistry unknown("com.apple.keylayout.Klingon");
    EXPECT_EQ(identifierOf(unknown.currentKeyboardLayoutInputSource()), ID::US);
}

TEST_F(KeyboardLayoutRegistryTest, SelectingChangesTheCurrentLayout)
{
    EXPECT_TRUE(registry->selectInputSource(ID::French));
    auto source = TISCopyCurrentKeyboardLayoutInputSource();
    EXPECT_EQ(identifierOf(source), ID::French);
    EXPECT_EQ(
        test::describe(
            test::translate(TISGetInputSourceProperty(source, kTISPropertyUnicodeKeyLayoutData), kVK_ANSI_A).text),
        "q");
}

TEST_F(KeyboardLayoutRegistryTest, SelectingAnUnknownLayoutChangesNothing)
{
    registry->selectInputSource(ID::German);
    EXPECT_FALSE(registry->selectInputSource("com.apple.keylayout.Klingon"));
    EXPECT_FALSE(registry->selectInputSource(TISInputSourceRef()));
    EXPECT_EQ(identifierOf(TISCopyCurrentKeyboardLayoutInputSource()), ID::German);
}

TEST_F(KeyboardLayoutRegistryTest, TISSelectInputSourceSelectsInTheCurrentRegistry)
{
    EXPECT_EQ(TISSelectInputSource(KeyboardLayoutCatalog::shared().inputSource(ID::Hebrew)), 0);
    EXPECT_EQ(identifierOf(registry->currentKeyboardLayoutInputSource()), ID::Hebrew);
    EXPECT_EQ(TISSelectInputSource(nullptr), -50);
    EXPECT_EQ(identifierOf(registry->currentKeyboardLayoutInputSource()), ID::Hebrew);
}

TEST_F(KeyboardLayoutRegistryTest, ASCIICapableLayoutRule)
{
    struct Step {
        std::string_view select;
        std::string_view current;
        std::string_view asciiCapable;
    };
    static constexpr Step steps[] = {
        {.select = ID::German, .current = ID::German, .asciiCapable = ID::German},
        {.select = ID::Russian, .current = ID::Russian, .asciiCapable = ID::German},
        {.select = ID::Hebrew, .current = ID::Hebrew, .asciiCapable = ID::German},
        {.select = ID::French, .current = ID::French, .asciiCapable = ID::French},
        {.select = ID::Russian, .current = ID::Russian, .asciiCapable = ID::French},
        {.select = ID::US, .current = ID::US, .asciiCapable = ID::US},
        {.select = ID::Hebrew, .current = ID::Hebrew, .asciiCapable = ID::US},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.select);
        ASSERT_TRUE(registry->selectInputSource(step.select));
        EXPECT_EQ(identifierOf(TISCopyCurrentKeyboardLayoutInputSource()), step.current);
        EXPECT_EQ(identifierOf(TISCopyCurrentASCIICapableKeyboardLayoutInputSource()), step.asciiCapable);
    }
}

TEST_F(KeyboardLayoutRegistryTest, ASCIICapableLayoutIsUSWhenNoneWasEverSelected)
{
    auto russian = std::make_shared<KeyboardLayoutRegistry>(ID::Russian);
    ScopedCurrentKeyboardLayoutRegistry inner(russian);
    EXPECT_EQ(identifierOf(TISCopyCurrentKeyboardLayoutInputSource()), ID::Russian);
    EXPECT_EQ(identifierOf(TISCopyCurrentASCIICapableKeyboardLayoutInputSource()), ID::US);
    russian->selectInputSource(ID::Hebrew);
    EXPECT_EQ(identifierOf(TISCopyCurrentASCIICapableKeyboardLayoutInputSource()), ID::US);
    // The U.S. layout answered is the catalog's one, built once.
    EXPECT_EQ(TISCopyCurrentASCIICapableKeyboardLayoutInputSource(),
              KeyboardLayoutCatalog::shared().inputSource(ID::US));
}

TEST_F(KeyboardLayoutRegistryTest, SelectionChangeHandlersRunInOrderWithTheNewLayout)
{
    std::vector<std::string> events;
    registry->addSelectionChangeHandler([&](const TISInputSourceRef& selected) {
        // The change is visible to the handler.
        events.push_back("first " + identifierOf(selected) + " current " +
                         identifierOf(TISCopyCurrentKeyboardLayoutInputSource()));
    });
    registry->addSelectionChangeHandler(
        [&](const TISInputSourceRef& selected) { events.push_back("second " + identifierOf(selected)); });

    registry->selectInputSource(ID::German);
    registry->selectInputSource(ID::German);  // no change, no call
    registry->selectInputSource("com.apple.keylayout.Klingon");
    registry->selectInputSource(ID::Russian);

    const std::vector<std::string> expected{
        "first com.apple.keylayout.German current com.apple.keylayout.German",
        "second com.apple.keylayout.German",
        "first com.apple.keylayout.Russian current com.apple.keylayout.Russian",
        "second com.apple.keylayout.Russian",
    };
    EXPECT_EQ(events, expected);
}

TEST_F(KeyboardLayoutRegistryTest, RemovedHandlerIsNotCalled)
{
    std::vector<std::string> events;
    auto first = registry->addSelectionChangeHandler([&](const TISInputSourceRef&) { events.push_back("first"); });
    registry->addSelectionChangeHandler([&](const TISInputSourceRef&) { events.push_back("second"); });
    registry->removeSelectionChangeHandler(first);
    registry->removeSelectionChangeHandler(first);  // twice is harmless
    registry->removeSelectionChangeHandler(12345);
    registry->selectInputSource(ID::French);
    EXPECT_EQ(events, std::vector<std::string>{"second"});
}

TEST_F(KeyboardLayoutRegistryTest, HandlerMaySelectAndRemoveItself)
{
    std::vector<std::string> events;
    KeyboardLayoutRegistry::HandlerID id = 0;
    id = registry->addSelectionChangeHandler([&](const TISInputSourceRef& selected) {
        events.push_back(identifierOf(selected));
        registry->removeSelectionChangeHandler(id);
        registry->selectInputSource(ID::French);  // re-entrant: no deadlock, handler already gone
    });
    registry->selectInputSource(ID::German);
    EXPECT_EQ(events, std::vector<std::string>{std::string(ID::German)});
    EXPECT_EQ(identifierOf(registry->currentKeyboardLayoutInputSource()), ID::French);
}

TEST_F(KeyboardLayoutRegistryTest, NoInputSourceWhenMadeUnavailable)
{
    registry->setInputSourcesUnavailable(true);
    EXPECT_EQ(TISCopyCurrentKeyboardLayoutInputSource(), nullptr);
    EXPECT_EQ(TISCopyCurrentASCIICapableKeyboardLayoutInputSource(), nullptr);
    // Selection goes on underneath.
    registry->selectInputSource(ID::German);
    registry->setInputSourcesUnavailable(false);
    EXPECT_EQ(identifierOf(TISCopyCurrentKeyboardLayoutInputSource()), ID::German);
}

TEST_F(KeyboardLayoutRegistryTest, EachCopyCanFailAlone)
{
    registry->setCurrentInputSourceUnavailable(true);
    EXPECT_EQ(TISCopyCurrentKeyboardLayoutInputSource(), nullptr);
    EXPECT_EQ(identifierOf(TISCopyCurrentASCIICapableKeyboardLayoutInputSource()), ID::US);
    registry->setCurrentInputSourceUnavailable(false);
    registry->setASCIICapableInputSourceUnavailable(true);
    EXPECT_EQ(identifierOf(TISCopyCurrentKeyboardLayoutInputSource()), ID::US);
    EXPECT_EQ(TISCopyCurrentASCIICapableKeyboardLayoutInputSource(), nullptr);
}

TEST_F(KeyboardLayoutRegistryTest, FakeSourceWithoutIdentifierCanBeSelected)
{
    auto fake = registry->catalog().makeFakeInputSource({.identifier = std::nullopt});
    ASSERT_TRUE(registry->selectInputSource(fake));
    auto current = TISCopyCurrentKeyboardLayoutInputSource();
    EXPECT_EQ(current, fake);
    EXPECT_EQ(TISGetInputSourceProperty(current, kTISPropertyInputSourceID), std::nullopt);
    // It types like the U.S. layout and, being ASCII-capable, is the ASCII-capable source too.
    EXPECT_EQ(TISCopyCurrentASCIICapableKeyboardLayoutInputSource(), fake);
}

TEST_F(KeyboardLayoutRegistryTest, FakeSourceWithFailingTranslationCanBeSelected)
{
    registry->selectInputSource(registry->catalog().makeFakeInputSource({.translationStatus = -25341}));
    const auto result = test::translate(
        TISGetInputSourceProperty(TISCopyCurrentKeyboardLayoutInputSource(), kTISPropertyUnicodeKeyLayoutData),
        kVK_ANSI_A);
    EXPECT_EQ(result.status, -25341);
}

TEST_F(KeyboardLayoutRegistryTest, SourceListIsTheCatalog)
{
    EXPECT_EQ(TISCreateInputSourceList().size(), KeyboardLayoutCatalog::shared().layouts().size());
}

TEST(KeyboardLayoutRegistryCurrentTest, SharedRegistryIsCurrentUnlessAnotherIsInstalled)
{
    EXPECT_EQ(KeyboardLayoutRegistry::current().get(), &KeyboardLayoutRegistry::shared());
    auto outer = std::make_shared<KeyboardLayoutRegistry>(ID::German);
    {
        ScopedCurrentKeyboardLayoutRegistry outerScope(outer);
        EXPECT_EQ(KeyboardLayoutRegistry::current(), outer);
        auto inner = std::make_shared<KeyboardLayoutRegistry>(ID::French);
        {
            ScopedCurrentKeyboardLayoutRegistry innerScope(inner);
            EXPECT_EQ(identifierOf(TISCopyCurrentKeyboardLayoutInputSource()), ID::French);
        }
        EXPECT_EQ(identifierOf(TISCopyCurrentKeyboardLayoutInputSource()), ID::German);
    }
    EXPECT_EQ(KeyboardLayoutRegistry::current().get(), &KeyboardLayoutRegistry::shared());
    KeyboardLayoutRegistry::setCurrent(outer);
    EXPECT_EQ(KeyboardLayoutRegistry::current(), outer);
    KeyboardLayoutRegistry::setCurrent(nullptr);
    EXPECT_EQ(KeyboardLayoutRegistry::current().get(), &KeyboardLayoutRegistry::shared());
}

// Translations on several threads while another switches layouts: each one
// sees some whole layout, and the tools (ThreadSanitizer) see no race.
TEST_F(KeyboardLayoutRegistryTest, TranslatesOnManyThreadsWhileLayoutsChange)
{
    const std::u16string allowed = u"aqфש";
    std::atomic<bool> stop{false};
    std::atomic<int> handlerCalls{0};
    registry->addSelectionChangeHandler([&](const TISInputSourceRef&) { ++handlerCalls; });
    std::vector<std::thread> readers;
    std::atomic<int> wrong{0};
    for (int i = 0; i < 4; ++i) {
        readers.emplace_back([&] {
            int rounds = 0;
            while (!stop.load() || rounds < 1000) {
                ++rounds;
                auto source = TISCopyCurrentKeyboardLayoutInputSource();
                auto ascii = TISCopyCurrentASCIICapableKeyboardLayoutInputSource();
                if (!source || !ascii || !ascii->isASCIICapable())
                    ++wrong;
                const auto result =
                    test::translate(TISGetInputSourceProperty(source, kTISPropertyUnicodeKeyLayoutData), kVK_ANSI_A);
                if (result.status != 0 || result.text.size() != 1 ||
                    allowed.find(result.text[0]) == std::u16string::npos) {
                    ++wrong;
                }
            }
        });
    }
    const std::string_view cycle[] = {ID::US, ID::French, ID::Russian, ID::Hebrew};
    for (int i = 0; i < 2000; ++i)
        registry->selectInputSource(cycle[i % 4]);
    stop = true;
    for (auto& reader : readers)
        reader.join();
    EXPECT_EQ(wrong.load(), 0);
    // The first selection, of the U.S. layout already selected, changes nothing.
    EXPECT_EQ(handlerCalls.load(), 1999);
}

}  // namespace
}  // namespace textinput
