#pragma once

#include "foundation/Id.h"
#include "foundation/NSBundle.h"
#include "foundation/NSObject.h"

#include <memory>

// Named data kept with a bundle's resources. On disk an asset is a file
// <resourcePath>/Assets/<name>.<ext>; the extension gives its type
// ("json" -> "public.json", "txt" -> "public.plain-text", "plist" ->
// "com.apple.property-list", anything else "public.data"). When several
// files share the name, the first by sorted file name is the asset; a file
// named exactly <name> (no extension) is a "public.data" asset.
class NSDataAsset : public NSObject {
    KS_OBJECT(NSDataAsset, NSObject)

public:
    // nullptr when the bundle (the main bundle when nullptr) has no asset of
    // that name or its file can't be read.
    static std::shared_ptr<NSDataAsset> create(const String& name, std::shared_ptr<NSBundle> bundle = nullptr);

    const String& name() const { return name_; }
    const Data& data() const { return data_; }
    const String& typeIdentifier() const { return typeIdentifier_; }

    NSDataAsset(String name, Data data, String typeIdentifier);

private:
    String name_;
    Data data_;
    String typeIdentifier_;
};
