#include "foundation/NSBundle.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "TemporaryFolder.h"
#include "foundation/Log.h"
#include "foundation/NSPathUtilities.h"
#include "foundation/PropertyList.h"

using testing::HasSubstr;

namespace {

const char* const appInfo = R"(<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><dict>
<key>CFBundleIdentifier</key><string>org.kestrova.Kestrova</string>
<key>CFBundleVersion</key><string>42</string>
<key>CFBundleShortVersionString</key><string>1.2</string>
<key>CFBundleExecutable</key><string>Kestrova</string>
</dict></plist>)";

// A temporary application bundle and a library resource bundle inside it.
class NSBundleTest : public testing::Test {
protected:
    void SetUp() override
    {
        NSBundle::resetForTesting();
        app = folder / "Kestrova.app";
        folder.write("Kestrova.app/Contents/Info.plist", appInfo);
        folder.write("Kestrova.app/Contents/MacOS/Kestrova", "#!/bin/sh\n");
        folder.write("Kestrova.app/Contents/Resources/Status Item.png", "png");
        folder.write("Kestrova.app/Contents/Resources/notes.txt", "plain");
        folder.write("Kestrova.app/Contents/Resources/en.lproj/Main.strings", "\"Quit\" = \"Quit Kestrova\";\n");
        folder.write("Kestrova.app/Contents/Resources/Base.lproj/Main.strings",
                     "\"Quit\" = \"Base quit\";\n\"About\" = \"About Kestrova\";\n");
        folder.write("Kestrova.app/Contents/Resources/Base.lproj/Main.storyboard", "<scenes/>");
        library = app + "/Contents/Resources/ShortcutLibrary_ShortcutLibrary.bundle";
        std::string lib = "Kestrova.app/Contents/Resources/ShortcutLibrary_ShortcutLibrary.bundle/";
        folder.write(lib + "Info.plist", "{ CFBundleIdentifier = org.kestrova.ShortcutLibrary; CFBundleVersion = 7; }");
        folder.write(lib + "Resources/en.lproj/ShortcutLibrary.strings", "\"Space\" = \"Space Bar\";\n");
        folder.write(lib + "Resources/sr-mojave-bezel-normal-left.png", "png");
    }
    void TearDown() override { NSBundle::resetForTesting(); }

    TemporaryFolder folder;
    std::string app;
    std::string library;
};

class LibraryThing : public NSObject {
    KS_OBJECT(LibraryThing, NSObject)
};

class SRLibraryClass : public NSObject {
    KS_OBJECT(SRLibraryClass, NSObject)
};

}  // namespace

TEST_F(NSBundleTest, OpeningAPathTwiceGivesTheSameBundle)
{
    auto first = NSBundle::bundleWithPath(app);
    ASSERT_TRUE(first);
    EXPECT_EQ(NSBundle::bundleWithPath(app + "/"), first);
    EXPECT_EQ(NSBundle::bundleWithPath(app + "/Contents/.."), first);
    EXPECT_EQ(NSBundle::bundleWithURL(NSURL::fileURLWithPath(app)), first);
    EXPECT_EQ(NSBundle::bundleWithIdentifier("org.kestrova.Kestrova"), first);
}

TEST_F(NSBundleTest, NotABundleGivesNil)
{
    folder.write("plain/file.txt", "x");
    folder.write("broken.bundle/Info.plist", "{ unterminated");
    ScopedLogCapture capture;
    struct Case {
        const char* name;
        std::string path;
    };
    const Case cases[] = {
        {.name = "missing", .path = folder / "nothing.app"},
        {.name = "folder without Info.plist", .path = folder / "plain"},
        {.name = "a file", .path = folder / "plain/file.txt"},
        {.name = "malformed Info.plist", .path = folder / "broken.bundle"},
        {.name = "empty", .path = ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(NSBundle::bundleWithPath(c.path));
    }
    EXPECT_FALSE(NSBundle::bundleWithURL(nullptr));
    EXPECT_THAT(capture.sink().texts(), testing::ElementsAre("Could not read the information property list at " +
                                                             folder / "broken.bundle/Info.plist" +
                                                             ": malformed OpenStep property list: line 1, column 15: "
                                                             "expected '=' after a dictionary key"));
}

TEST_F(NSBundleTest, InformationAndPaths)
{
    auto bundle = NSBundle::bundleWithPath(app);
    ASSERT_TRUE(bundle);
    EXPECT_EQ(bundle->bundleIdentifier(), String("org.kestrova.Kestrova"));
    EXPECT_EQ(bundle->objectForInfoDictionaryKey("CFBundleVersion"), Id("42"));
    EXPECT_EQ(bundle->objectForInfoDictionaryKey("CFBundleShortVersionString"), Id("1.2"));
    EXPECT_TRUE(bundle->objectForInfoDictionaryKey("Missing").isNil());
    EXPECT_EQ(bundle->bundlePath(), String(app));
    EXPECT_EQ(bundle->resourcePath(), String(app + "/Contents/Resources"));
    EXPECT_EQ(bundle->resourceURL()->path(), String(app + "/Contents/Resources"));
    EXPECT_EQ(bundle->bundleURL()->absoluteString(), String("file://" + app));
    EXPECT_EQ(bundle->executablePath(), String(app + "/Contents/MacOS/Kestrova"));

    auto lib = NSBundle::bundleWithPath(library);
    ASSERT_TRUE(lib);
    EXPECT_EQ(lib->bundleIdentifier(), String("org.kestrova.ShortcutLibrary"));
    EXPECT_EQ(lib->resourcePath(), String(library + "/Resources"));
    EXPECT_EQ(lib->executablePath(), String());
}

TEST_F(NSBundleTest, ResourceLookup)
{
    auto bundle = NSBundle::bundleWithPath(app);
    struct Case {
        const char* name;
        const char* type;
        std::string expected;
    };
    const std::string resources = app + "/Contents/Resources/";
    const Case cases[] = {
        {.name = "notes", .type = "txt", .expected = resources + "notes.txt"},
        {.name = "notes.txt", .type = "", .expected = resources + "notes.txt"},
        {.name = "notes", .type = ".txt", .expected = resources + "notes.txt"},
        {.name = "Main", .type = "storyboard", .expected = resources + "Base.lproj/Main.storyboard"},
        {.name = "Main", .type = "strings", .expected = resources + "en.lproj/Main.strings"},
        {.name = "missing", .type = "txt", .expected = ""},
        {.name = "notes", .type = "md", .expected = ""},
        {.name = "", .type = "", .expected = ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + "." + c.type);
        EXPECT_EQ(bundle->pathForResource(c.name, c.type), String(c.expected));
        auto url = bundle->URLForResource(c.name, c.type);
        EXPECT_EQ(url ? url->path() : String(), String(c.expected));
    }
    EXPECT_THAT(bundle->pathsForResourcesOfType("txt"), testing::ElementsAre(String(resources + "notes.txt")));
}

TEST_F(NSBundleTest, LocalizedStrings)
{
    auto bundle = NSBundle::bundleWithPath(app);
    struct Case {
        const char* key;
        const char* value;
        const char* table;
        const char* expected;
    };
    const Case cases[] = {
        {.key = "Quit", .value = "", .table = "Main", .expected = "Quit Kestrova"},    // en before Base
        {.key = "About", .value = "", .table = "Main", .expected = "About Kestrova"},  // only in Base
        {.key = "Missing", .value = "", .table = "Main", .expected = "Missing"},       // the key itself
        {.key = "Missing", .value = "Fallback", .table = "Main", .expected = "Fallback"},
        {.key = "Quit", .value = "", .table = "NoSuchTable", .expected = "Quit"},
        {.key = "Quit", .value = "", .table = "", .expected = "Quit"},  // Localizable, absent
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.table) + ":" + c.key);
        EXPECT_EQ(bundle->localizedStringForKey(c.key, c.value, c.table), String(c.expected));
    }
    auto lib = NSBundle::bundleWithPath(library);
    EXPECT_EQ(lib->localizedStringForKey("Space", "", "ShortcutLibrary"), String("Space Bar"));
    EXPECT_EQ(lib->localizedStringForKey("Command-", "", "ShortcutLibrary"), String("Command-"));
}

TEST_F(NSBundleTest, MalformedStringsTableIsLoggedAndAnswersKeys)
{
    folder.write("Kestrova.app/Contents/Resources/en.lproj/Broken.strings", "\"a\" = \"b\"");
    auto bundle = NSBundle::bundleWithPath(app);
    ScopedLogCapture capture;
    EXPECT_EQ(bundle->localizedStringForKey("a", "", "Broken"), String("a"));
    ASSERT_EQ(capture.sink().entries().size(), 1u);
    EXPECT_THAT(capture.sink().entries()[0].text, HasSubstr("Broken.strings: line 1, column 10: expected ';'"));
}

TEST_F(NSBundleTest, ImageResources)
{
    auto lib = NSBundle::bundleWithPath(library);
    EXPECT_EQ(lib->pathForImageResource("sr-mojave-bezel-normal-left"),
              String(library + "/Resources/sr-mojave-bezel-normal-left.png"));
    EXPECT_EQ(lib->pathForImageResource("sr-mojave-bezel-normal-left.png"),
              String(library + "/Resources/sr-mojave-bezel-normal-left.png"));
    EXPECT_EQ(lib->URLForImageResource("sr-mojave-bezel-normal-left")->lastPathComponent(),
              String("sr-mojave-bezel-normal-left.png"));
    EXPECT_EQ(lib->pathForImageResource("nothing"), String());
    EXPECT_FALSE(lib->URLForImageResource("nothing"));
    EXPECT_EQ(NSBundle::bundleWithPath(app)->pathForImageResource("Status Item"),
              String(app + "/Contents/Resources/Status Item.png"));
}

TEST_F(NSBundleTest, MainBundleIsSettableAndFoundFromTheExecutable)
{
    auto fromExecutable = NSBundle::bundleForExecutablePath(app + "/Contents/MacOS/Kestrova");
    EXPECT_EQ(fromExecutable, NSBundle::bundleWithPath(app));
    NSBundle::setMainBundle(fromExecutable);
    EXPECT_EQ(NSBundle::mainBundle(), fromExecutable);
    NSBundle::setMainBundle(nullptr);
    // The test program is a bare tool: its folder, without information.
    auto bare = NSBundle::mainBundle();
    ASSERT_TRUE(bare);
    EXPECT_EQ(bare->bundleIdentifier(), String());
    EXPECT_TRUE(bare->infoDictionary().empty());

    auto tool = NSBundle::bundleForExecutablePath(folder / "bin/tool");
    EXPECT_EQ(tool->bundlePath(), String(folder / "bin"));
}

TEST_F(NSBundleTest, BundleForClassUsesRegistrationsElseTheMainBundle)
{
    auto main = NSBundle::bundleWithPath(app);
    NSBundle::setMainBundle(main);
    EXPECT_EQ(NSBundle::bundleForClass(LibraryThing::descriptor()), main);
    EXPECT_EQ(NSBundle::bundleForClass(SRLibraryClass::descriptor()), main);

    NSBundle::registerBundleForClassPrefix("SR", library);
    NSBundle::registerBundleForClass(LibraryThing::descriptor(), library);
    auto lib = NSBundle::bundleWithPath(library);
    EXPECT_EQ(NSBundle::bundleForClass(SRLibraryClass::descriptor()), lib);
    EXPECT_EQ(NSBundle::bundleForClass(LibraryThing::descriptor()), lib);
    EXPECT_EQ(NSBundle::bundleForClass(NSObject::descriptor()), main);

    // A registration that points at no bundle falls back, with a log line.
    NSBundle::registerBundleForClassPrefix("SRLibrary", folder / "gone.bundle");
    ScopedLogCapture capture;
    EXPECT_EQ(NSBundle::bundleForClass(SRLibraryClass::descriptor()), main);
    EXPECT_EQ(capture.sink().entries().size(), 1u);
}

TEST_F(NSBundleTest, LibraryBundleSearchBesideTheMainBundle)
{
    // What the shortcut library does: its bundle inside the main bundle's resources.
    NSBundle::setMainBundle(NSBundle::bundleWithPath(app));
    auto url = NSBundle::mainBundle()->resourceURL()->URLByAppendingPathComponent(
        String::format("%s.bundle", "ShortcutLibrary_ShortcutLibrary"));
    auto lib = NSBundle::bundleWithURL(url);
    ASSERT_TRUE(lib);
    EXPECT_EQ(lib->objectForInfoDictionaryKey("CFBundleVersion"), Id("7"));
}

TEST_F(NSBundleTest, BundlesAreFoundByIdentifierInTheSearchFolders)
{
    folder.write("Frameworks/AppKit.framework/Info.plist", "{ CFBundleIdentifier = com.apple.AppKit; }");
    folder.write("Frameworks/AppKit.framework/Resources/StandardKeyBinding.dict",
                 "{ \"^a\" = moveToBeginningOfLine:; }");
    folder.write("Kestrova.app/Contents/Frameworks/Lantern.framework/Info.plist",
                 "{ CFBundleIdentifier = com.example.Lantern; }");
    EXPECT_FALSE(NSBundle::bundleWithIdentifier("com.apple.AppKit"));
    NSBundle::addBundleSearchPath(folder / "Frameworks");
    auto appKit = NSBundle::bundleWithIdentifier("com.apple.AppKit");
    ASSERT_TRUE(appKit);
    String path = appKit->pathForResource("StandardKeyBinding", "dict");
    auto bindings = PropertyList::dictionaryWithContentsOfFile(path.utf8());
    ASSERT_TRUE(bindings) << bindings.error();
    EXPECT_EQ(bindings->objectForKey("^a"), Id("moveToBeginningOfLine:"));

    EXPECT_FALSE(NSBundle::bundleWithIdentifier("com.example.Lantern"));
    NSBundle::setMainBundle(NSBundle::bundleWithPath(app));
    EXPECT_TRUE(NSBundle::bundleWithIdentifier("com.example.Lantern"));
    EXPECT_EQ(NSBundle::bundleWithIdentifier("org.kestrova.Kestrova"), NSBundle::mainBundle());
    EXPECT_FALSE(NSBundle::bundleWithIdentifier("com.example.none"));
}
