#pragma once

#include "appkit/NSViewController.h"

#include <memory>

class NSTextField;

// The content of the about window: shows the program's version.
class AboutViewController : public NSViewController {
    KS_OBJECT(AboutViewController, NSViewController)

public:
    AboutViewController() = default;

    // The label the version goes into; the scene must connect it.
    const std::shared_ptr<NSTextField>& versionLabel() const { return versionLabel_; }
    void setVersionLabel(const std::shared_ptr<NSTextField>& label) { versionLabel_ = label; }

    // "Version " and the main bundle's short version string, or "Version
    // Unknown" when the bundle has none. An unconnected label stops the
    // program: the scene is broken.
    void viewDidLoad() override;

protected:
    static void describe(ClassDescriptor& d);

private:
    std::shared_ptr<NSTextField> versionLabel_;
};
