#include "shortcut-library/SRCommon.h"

#include "foundation/NSBundle.h"
#include "foundation/NSException.h"

#include <mutex>

namespace detail {

// Stands for the library's code when asking which bundle holds it.
class SRLibraryCode final : public NSObject {
    KS_OBJECT(SRLibraryCode, NSObject)
};

namespace {

std::mutex codeBundleMutex;
String& codeBundlePath()
{
    static auto* path = new String(SR_LIBRARY_CODE_BUNDLE);
    return *path;
}

}  // namespace

void SRSetLibraryCodeBundlePath(const String& path)
{
    std::lock_guard lock(codeBundleMutex);
    codeBundlePath() = path;
}

}  // namespace detail

namespace {

const String bundleName = "ShortcutLibrary_ShortcutLibrary";

std::shared_ptr<NSBundle> SRFindLibraryBundle()
{
    String codeBundle;
    {
        std::lock_guard lock(detail::codeBundleMutex);
        codeBundle = detail::codeBundlePath();
    }
    // The loader of a real framework knows where the library's code lies; here
    // the build says so.
    if (!codeBundle.empty())
        NSBundle::registerBundleForClass(detail::SRLibraryCode::descriptor(), codeBundle);

    auto main = NSBundle::mainBundle();
    auto code = NSBundle::bundleForClass(detail::SRLibraryCode::descriptor());
    const std::shared_ptr<NSURL> candidates[] = {
        main ? main->resourceURL() : nullptr,
        code ? code->resourceURL() : nullptr,
        main ? main->bundleURL() : nullptr,
    };
    String component = String::format("%s.bundle", bundleName.utf8().c_str());
    for (const auto& candidate : candidates) {
        if (!candidate)
            continue;
        if (auto bundle = NSBundle::bundleWithURL(candidate->URLByAppendingPathComponent(component)))
            return bundle;
    }
    NSException::raise(NSInternalInconsistencyException, "unable to find bundle named %s", bundleName.utf8().c_str());
}

}  // namespace

std::shared_ptr<NSBundle> SRLibraryBundle()
{
    return SRFindLibraryBundle();
}

String SRLocalizedText(const String& key)
{
    return SRLibraryBundle()->localizedStringForKey(key, String(), "ShortcutLibrary");
}

Id SRLibraryImageNamed(const String& name)
{
    // Images have nothing to be drawn into yet: the lookup answers nil.
    (void)SRLibraryBundle()->pathForImageResource(name);
    return {};
}
