#pragma once

#include "foundation/ClassDescriptor.h"
#include "foundation/Id.h"
#include "foundation/NSObject.h"
#include "foundation/NSURL.h"

#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

// A folder of code and resources with an information property list.
//
// Layouts, one per kind:
// - an application bundle, a folder whose name ends in ".app":
//     X.app/Contents/Info.plist
//     X.app/Contents/MacOS/<executable>
//     X.app/Contents/Resources/...            (resourcePath)
// - any other bundle (".bundle", ".framework", ...):
//     X.bundle/Info.plist
//     X.bundle/Resources/...                  (resourcePath)
// A folder without its Info.plist (or with one that isn't a readable
// dictionary) is not a bundle. The Info.plist may be XML, binary or OpenStep.
//
// Inside the resource folder:
//     <name>.<type>                           unlocalized resources
//     <lang>.lproj/<name>.<type>              localized ones; "en" then "Base"
//     <lang>.lproj/<table>.strings            strings tables (OpenStep strings
//                                             format, or an XML/binary plist)
//     Assets/<name>.<ext>                     data assets (see NSDataAsset)
//
// Opening the same path twice gives the same object: opened bundles stay in a
// process-wide table for the life of the program.
class NSBundle : public NSObject {
    KS_OBJECT(NSBundle, NSObject)

public:
    // The program's bundle. Until set, it is found from the executable: the
    // .app when the executable lies in X.app/Contents/MacOS/, else the
    // executable's folder as a bundle without an information dictionary.
    static std::shared_ptr<NSBundle> mainBundle();
    // For the programs (from their executable location) and for tests;
    // nullptr goes back to finding it from the executable.
    static void setMainBundle(std::shared_ptr<NSBundle> bundle);
    // The bundle an executable at this path belongs to, by the rule above;
    // never nullptr.
    static std::shared_ptr<NSBundle> bundleForExecutablePath(const String& executablePath);

    // nullptr when the path is not a bundle.
    static std::shared_ptr<NSBundle> bundleWithPath(const String& path);
    static std::shared_ptr<NSBundle> bundleWithURL(const std::shared_ptr<NSURL>& url);
    // The bundle with this identifier: the main bundle, an opened one, or one
    // found directly inside a bundle search folder (the main application's
    // Contents/Frameworks, then the folders added below, in order); nullptr
    // when there is none. Where two share an identifier, the first found wins.
    static std::shared_ptr<NSBundle> bundleWithIdentifier(const String& identifier);
    // Where framework stand-ins (an application-framework bundle holding
    // "StandardKeyBinding.dict", say) are looked for by identifier.
    static void addBundleSearchPath(const String& folder);

    // The bundle that holds the code of a class. Libraries register where
    // their code's bundle is, by exact class or by class-name prefix (the
    // longest registered prefix wins); a class nobody registered belongs to
    // the main bundle.
    static std::shared_ptr<NSBundle> bundleForClass(const ClassDescriptor& cls);
    static void registerBundleForClass(const ClassDescriptor& cls, const String& bundlePath);
    static void registerBundleForClassPrefix(const String& classNamePrefix, const String& bundlePath);
    // Tests: forget every registration, search folder and opened bundle, and
    // the main bundle.
    static void resetForTesting();

    const String& bundlePath() const { return path_; }
    std::shared_ptr<NSURL> bundleURL() const { return NSURL::fileURLWithPath(path_); }
    const String& resourcePath() const { return resourcePath_; }
    std::shared_ptr<NSURL> resourceURL() const { return NSURL::fileURLWithPath(resourcePath_); }
    // X.app/Contents/MacOS/<CFBundleExecutable>, when there is one on disk.
    String executablePath() const;

    const Dictionary& infoDictionary() const { return info_; }
    Id objectForInfoDictionaryKey(const String& key) const { return info_.objectForKey(key); }
    // CFBundleIdentifier; empty when the bundle has none.
    String bundleIdentifier() const;

    // Resources. The name may carry its extension when the type is empty; the
    // search goes through the resource folder, then en.lproj, then
    // Base.lproj (optionally inside a subdirectory). Empty / nullptr when
    // nothing is there.
    String pathForResource(const String& name, const String& type, const String& subdirectory = String()) const;
    std::shared_ptr<NSURL> URLForResource(const String& name, const String& extension,
                                          const String& subdirectory = String()) const;
    // Every resource of the type directly in the resource folder (and the
    // localized folders), sorted by path.
    std::vector<String> pathsForResourcesOfType(const String& type, const String& subdirectory = String()) const;

    // The text of a key in <table>.strings (table "Localizable" when empty),
    // from en.lproj, then Base.lproj, then the resource folder itself. A key
    // the table lacks gives the value if it is non-empty, else the key. Tables
    // are read once and kept.
    String localizedStringForKey(const String& key, const String& value, const String& table = String()) const;

    // Image resources, by name with or without extension (png, pdf, tiff,
    // jpg, jpeg, gif, icns are tried in that order); the path of the file, as
    // drawing has nothing yet to load it into. Empty when missing.
    String pathForImageResource(const String& name) const;
    std::shared_ptr<NSURL> URLForImageResource(const String& name) const;

    // The folder of data assets: <resourcePath>/Assets.
    String dataAssetsPath() const;

    String description() const override;

    NSBundle(String path, String resourcePath, Dictionary info);

private:
    static std::shared_ptr<NSBundle> open(const String& path);

    String path_;
    String resourcePath_;
    Dictionary info_;
    mutable std::mutex tablesMutex_;
    mutable std::unordered_map<String, Dictionary> tables_;
};
