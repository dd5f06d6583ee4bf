#pragma once

#include "appkit/AppKitDefines.h"
#include "foundation/NSObject.h"
#include "foundation/String.h"

#include <memory>

typedef struct _PangoFontDescription PangoFontDescription;

// Weights of the system font, from thinnest to heaviest.
using NSFontWeight = CGFloat;
inline constexpr NSFontWeight NSFontWeightUltraLight = -0.8;
inline constexpr NSFontWeight NSFontWeightThin = -0.6;
inline constexpr NSFontWeight NSFontWeightLight = -0.4;
inline constexpr NSFontWeight NSFontWeightRegular = 0;
inline constexpr NSFontWeight NSFontWeightMedium = 0.23;
inline constexpr NSFontWeight NSFontWeightSemibold = 0.3;
inline constexpr NSFontWeight NSFontWeightBold = 0.4;
inline constexpr NSFontWeight NSFontWeightHeavy = 0.56;
inline constexpr NSFontWeight NSFontWeightBlack = 0.62;

// A typeface at a size, in points. The system font is DejaVu Sans, which
// the machine's set-up installs; other fonts are found by PostScript or
// family name among the installed ones. Metrics come from the face itself,
// unhinted, so that text measures the same at every backing scale.
class NSFont : public NSObject {
    KS_OBJECT(NSFont, NSObject)

public:
    // A size of zero or less is the standard size.
    static std::shared_ptr<NSFont> systemFontOfSize(CGFloat size);
    static std::shared_ptr<NSFont> systemFontOfSize(CGFloat size, NSFontWeight weight);
    static std::shared_ptr<NSFont> boldSystemFontOfSize(CGFloat size);
    static std::shared_ptr<NSFont> monospacedSystemFontOfSize(CGFloat size, NSFontWeight weight);
    static std::shared_ptr<NSFont> labelFontOfSize(CGFloat size);
    // nullptr when no installed font has that PostScript name ("DejaVuSans-Bold")
    // or family name ("DejaVu Serif").
    static std::shared_ptr<NSFont> fontWithName(const String& name, CGFloat size);
    static CGFloat systemFontSize() { return 13; }
    static CGFloat smallSystemFontSize() { return 11; }
    static CGFloat labelFontSize() { return 10; }

    // The PostScript name of the face drawn.
    const String& fontName() const { return fontName_; }
    const String& familyName() const { return familyName_; }
    CGFloat pointSize() const { return pointSize_; }
    bool isBold() const;
    // Above the baseline: positive; below it: the descender is negative.
    CGFloat ascender() const { return ascender_; }
    CGFloat descender() const { return descender_; }
    CGFloat leading() const { return leading_; }
    CGFloat capHeight() const { return capHeight_; }
    CGFloat xHeight() const { return xHeight_; }
    // The height of one line of text in this font: ascender − descender +
    // leading. Labels and measured text take this per line.
    CGFloat lineHeight() const { return ascender_ - descender_ + leading_; }

    // The same face at another size.
    std::shared_ptr<NSFont> fontWithSize(CGFloat size) const;

    // Internal: the description pango lays the font out with.
    const PangoFontDescription* pangoDescription() const { return description_; }

    bool isEqual(const Id& other) const override;
    std::size_t hash() const override;
    String description() const override;

    // Internal: takes over the description; use the factories.
    NSFont(PangoFontDescription* description, String fontName, String familyName, CGFloat pointSize);
    ~NSFont() override;

private:
    PangoFontDescription* description_;
    String fontName_;
    String familyName_;
    CGFloat pointSize_;
    CGFloat ascender_ = 0;
    CGFloat descender_ = 0;
    CGFloat leading_ = 0;
    CGFloat capHeight_ = 0;
    CGFloat xHeight_ = 0;
};
