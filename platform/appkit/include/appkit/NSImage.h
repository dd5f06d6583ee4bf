#pragma once

#include "appkit/AppKitDefines.h"
#include "foundation/NSObject.h"
#include "foundation/String.h"

#include <memory>

class NSBundle;

// An image by name and file. Nothing is drawn yet, so an image is its name,
// the file it comes from and its size in points (read from a PNG's header;
// zero for other files until something sets it).
class NSImage : public NSObject {
    KS_OBJECT(NSImage, NSObject)

public:
    // The name here only labels the image; setName registers one.
    NSImage(String path, NSSize size, String name = String());

    // An image registered under the name with setName, else the main
    // bundle's image resource of that name. The same object for the same
    // name (and main bundle); nullptr when there is none.
    static std::shared_ptr<NSImage> imageNamed(const String& name);
    // The bundle's image resource of that name, a new object each time;
    // nullptr when there is none.
    static std::shared_ptr<NSImage> imageForResource(const NSBundle& bundle, const String& name);
    // nullptr when the file doesn't exist.
    static std::shared_ptr<NSImage> imageWithContentsOfFile(const String& path);
    // Tests: forgets the registered and cached names.
    static void resetNamedImagesForTesting();

    const String& name() const { return name_; }
    // Registers the image under the name for imageNamed; the empty name
    // unregisters it. False when another image holds the name.
    bool setName(const String& name);
    // Empty for an image made in code.
    const String& path() const { return path_; }
    NSSize size() const { return size_; }
    void setSize(NSSize size) { size_ = size; }

    String description() const override;

private:
    String path_;
    String name_;
    NSSize size_;
};
