#pragma once

#include "appkit/NSAttributedString.h"
#include "appkit/NSEdgeInsets.h"
#include "foundation/Id.h"
#include "foundation/NSObject.h"
#include "shortcut-library/SRRecorderControlStyleComponents.h"

#include <memory>
#include <mutex>
#include <vector>

class NSCache;
class NSImage;

// An attribute of a label's text attributes: the least width (a number, in
// points) at which the label is worth drawing, the width of an ellipsis.
extern const NSAttributedStringKey SRMinimalDrawableWidthAttributeName;

// What the loader reads of a style: which resources it is drawn from, and
// which variant of them it wants now.
class SRRecorderControlStyleResourceClient {
public:
    virtual ~SRRecorderControlStyleResourceClient() = default;
    virtual String identifier() const = 0;
    virtual std::shared_ptr<SRRecorderControlStyleComponents> effectiveComponents() const = 0;
};

// A style's measurements, as its info asset gives them.
struct SRRecorderControlStyleMetrics {
    NSSize minSize = NSZeroSize;
    CGFloat labelToCancel = 0;
    CGFloat cancelToClear = 0;
    CGFloat buttonToAlignment = 0;
    CGFloat baselineFromTop = 0;
    CGFloat alignmentToLabel = 0;
    CGFloat labelToAlignment = 0;
    CGFloat baselineLayoutOffsetFromBottom = 0;
    CGFloat baselineDrawingOffsetFromBottom = 0;
    // Horizontal and vertical radius.
    NSSize focusRingCornerRadius = NSZeroSize;
    NSEdgeInsets focusRingInsets;
    NSEdgeInsets alignmentInsets;
    // Text attributes: a centred paragraph that truncates in the middle, the
    // font, the foreground colour and SRMinimalDrawableWidthAttributeName.
    Dictionary normalLabelAttributes;
    Dictionary recordingLabelAttributes;
    Dictionary disabledLabelAttributes;
};

// A style's info, validated and converted: the variants its images exist
// in, in the asset's order and followed by the all-unspecified variant, and
// its metrics. Immutable.
class SRRecorderControlStyleInfo : public NSObject {
    KS_OBJECT(SRRecorderControlStyleInfo, NSObject)

public:
    SRRecorderControlStyleInfo(std::vector<std::shared_ptr<SRRecorderControlStyleComponents>> supportedComponents,
                               SRRecorderControlStyleMetrics metrics);

    const std::vector<std::shared_ptr<SRRecorderControlStyleComponents>>& supportedComponents() const
    {
        return supportedComponents_;
    }
    const SRRecorderControlStyleMetrics& metrics() const { return metrics_; }

private:
    std::vector<std::shared_ptr<SRRecorderControlStyleComponents>> supportedComponents_;
    SRRecorderControlStyleMetrics metrics_;
};

namespace detail {
// Reads an info asset's data (JSON). Every fault raises an
// internal-inconsistency exception whose reason names the key path of the
// first value that is wrong; `assetName` names the asset where the document
// as a whole is at fault.
std::shared_ptr<SRRecorderControlStyleInfo> SRRecorderControlStyleInfoFromData(const Data& data,
                                                                               const String& assetName);
}  // namespace detail

// Loads, checks and keeps a style's resources: its info (the data asset
// "<identifier>-info"), the image-name prefixes of its variants, best first
// for the style's effective components, and its images by name, each from
// the library's resource bundle and then the main bundle. Everything is
// worked out once and kept in one cache; a style whose components change
// simply finds other entries.
//
// Every operation holds the loader's own recursive lock for the whole of its
// lookup, so one entry is worked out once however many threads ask. A
// missing or faulty resource raises an internal-inconsistency exception and
// nothing half-made is kept.
class SRRecorderControlStyleResourceLoader : public NSObject {
    KS_OBJECT(SRRecorderControlStyleResourceLoader, NSObject)

public:
    SRRecorderControlStyleResourceLoader();

    std::shared_ptr<SRRecorderControlStyleInfo> infoForStyle(const SRRecorderControlStyleResourceClient& style);
    std::vector<String> lookupPrefixesForStyle(const SRRecorderControlStyleResourceClient& style);
    std::shared_ptr<NSImage> imageNamed(const String& name, const SRRecorderControlStyleResourceClient& style);

    // The one cache of all three kinds of entries; tests look into it.
    NSCache& cache() { return *cache_; }

private:
    std::shared_ptr<NSCache> cache_;
    std::recursive_mutex mutex_;
};
