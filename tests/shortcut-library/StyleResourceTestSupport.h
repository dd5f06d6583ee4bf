#pragma once

#include "appkit/NSImage.h"
#include "foundation/NSBundle.h"
#include "foundation/NSException.h"
#include "shortcut-library/SRCommon.h"
#include "shortcut-library/SRRecorderControlStyleComponents.h"
#include "shortcut-library/SRRecorderControlStyleResourceLoader.h"

#include <cairo.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>

// What the loader reads of a style, and nothing more.
class TestStyle final : public SRRecorderControlStyleResourceClient {
public:
    TestStyle(String identifier, std::shared_ptr<SRRecorderControlStyleComponents> components)
        : identifier_(std::move(identifier))
        , components_(std::move(components))
    {
    }
    String identifier() const override { return identifier_; }
    std::shared_ptr<SRRecorderControlStyleComponents> effectiveComponents() const override { return components_; }

private:
    String identifier_;
    std::shared_ptr<SRRecorderControlStyleComponents> components_;
};

inline std::shared_ptr<SRRecorderControlStyleComponents> components(NSUInteger appearance, NSUInteger accessibility,
                                                                    NSUInteger direction, NSUInteger tint)
{
    return std::make_shared<SRRecorderControlStyleComponents>(appearance, accessibility, direction, tint);
}

// A valid info asset with three variants, which tests change one part of.
inline nlohmann::json validInfo()
{
    using Json = nlohmann::json;
    auto label = [](const char* font, double size, const char* color) {
        return Json{
            {"fontName", font}, {"fontSize", size}, {"fontColorCatalogName", "System"}, {"fontColorName", color}};
    };
    auto insets = [](double top, double left, double bottom, double right) {
        return Json{{"top", top}, {"left", left}, {"bottom", bottom}, {"right", right}};
    };
    return Json{
        {"supportedComponents", Json::array({{{"appearance", 1}},
                                             {{"appearance", 3}, {"accessibility", 2}},
                                             {{"appearance", 1}, {"layoutDirection", 2}}})},
        {"metrics",
         {{"minSize", {{"width", 100}, {"height", 22}}},
          {"labelToCancel", 4},
          {"cancelToClear", 4},
          {"buttonToAlignment", 5},
          {"baselineFromTop", 15},
          {"alignmentToLabel", 6},
          {"labelToAlignment", 6},
          {"baselineLayoutOffsetFromBottom", 6},
          {"baselineDrawingOffsetFromBottom", 6},
          {"focusRingCornerRadius", {{"width", 5}, {"height", 5}}},
          {"focusRingInsets", insets(0, 0, 0, 0)},
          {"alignmentInsets", insets(0, 0, 1, 0)},
          {"normalLabelAttributes", label(".AppleSystemUIFont", 13, "labelColor")},
          {"recordingLabelAttributes", label(".AppleSystemUIFont", 13, "labelColor")},
          {"disabledLabelAttributes", label("DejaVu Serif", 11, "disabledControlTextColor")}}},
    };
}

// The reason of the exception of that name that `body` raises, or nothing.
template <class F> std::optional<std::string> reasonOf(F&& body, const String& name = NSInternalInconsistencyException)
{
    try {
        body();
    } catch (const NSException& e) {
        EXPECT_EQ(e.name(), name);
        return e.reason().utf8();
    }
    return std::nullopt;
}

// A temporary application that carries a library resource bundle of its
// own, for tests that lay out their own style resources; a test that
// doesn't call useApp() sees the build's resources.
class StyleResourceTest : public ::testing::Test {
protected:
    using Path = std::filesystem::path;

    void SetUp() override
    {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        root_ = std::filesystem::temp_directory_path() /
                ("sr-style-" + std::string(test->test_suite_name()) + "-" + test->name());
        std::filesystem::remove_all(root_);
        NSBundle::resetForTesting();
        NSImage::resetNamedImagesForTesting();
    }
    void TearDown() override
    {
        NSBundle::resetForTesting();
        NSImage::resetNamedImagesForTesting();
        detail::SRSetLibraryCodeBundlePath(SR_TEST_CODE_BUNDLE);
        std::filesystem::remove_all(root_);
    }

    Path app() const { return root_ / "Test.app"; }
    Path mainResources() const { return app() / "Contents/Resources"; }
    Path libraryResources() const { return mainResources() / "ShortcutLibrary_ShortcutLibrary.bundle/Resources"; }

    void useApp()
    {
        writeText(app() / "Contents/Info.plist", "{ CFBundleIdentifier = \"com.kestrova.test\"; }");
        writeText(mainResources() / "ShortcutLibrary_ShortcutLibrary.bundle/Info.plist",
                  "{ CFBundleIdentifier = \"com.kestrova.test.resources\"; }");
        NSBundle::setMainBundle(NSBundle::bundleWithPath(String(app().string())));
    }

    static void writeText(const Path& path, const std::string& text)
    {
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path) << text;
    }
    static void writeInfo(const Path& path, const nlohmann::json& document) { writeText(path, document.dump(2)); }
    // A grey image of that many pixels.
    static void writePng(const Path& path, int width, int height)
    {
        std::filesystem::create_directories(path.parent_path());
        cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
        cairo_t* cr = cairo_create(surface);
        cairo_set_source_rgba(cr, 0.5, 0.5, 0.5, 1);
        cairo_paint(cr);
        cairo_destroy(cr);
        cairo_surface_write_to_png(surface, path.c_str());
        cairo_surface_destroy(surface);
    }

private:
    Path root_;
};
