#include "appkit/NSFont.h"

#include "drawing/TextSystem.h"

#include <fontconfig/fontconfig.h>
#include <pango/pangofc-font.h>

#include <cmath>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <tuple>

namespace detail {

std::recursive_mutex& textLock()
{
    static auto* lock = new std::recursive_mutex;
    return *lock;
}

PangoContext* pangoContext()
{
    // One per thread, as pango's objects may not be shared between threads.
    // The font map is the thread's own too, not pango's default, so that
    // everything it caches goes when the thread ends.
    struct Holder {
        PangoFontMap* fontMap = nullptr;
        PangoContext* context = nullptr;
        Holder()
        {
            std::lock_guard lock(textLock());
            // fontconfig reads its configuration here, before pango would
            // start doing so on a thread of its own while we go on asking
            // fontconfig things.
            static bool configured = FcInit();
            (void)configured;
            fontMap = pango_cairo_font_map_new();
            context = pango_font_map_create_context(fontMap);
            cairo_font_options_t* options = cairo_font_options_create();
            cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
            cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
            cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
            pango_cairo_context_set_font_options(context, options);
            cairo_font_options_destroy(options);
            pango_context_set_round_glyph_positions(context, FALSE);
        }
        ~Holder()
        {
            std::lock_guard lock(textLock());
            g_object_unref(context);
            g_object_unref(fontMap);
        }
    };
    thread_local Holder holder;
    return holder.context;
}

}  // namespace detail

namespace {

// What an installed face is found as.
struct Face {
    std::string family;
    int weight = PANGO_WEIGHT_NORMAL;
    PangoStyle style = PANGO_STYLE_NORMAL;
    PangoStretch stretch = PANGO_STRETCH_NORMAL;
    std::string postScriptName;
};

PangoStretch stretchFromFontconfig(int width)
{
    if (width <= FC_WIDTH_EXTRACONDENSED)
        return PANGO_STRETCH_EXTRA_CONDENSED;
    if (width <= FC_WIDTH_CONDENSED)
        return PANGO_STRETCH_CONDENSED;
    if (width <= FC_WIDTH_SEMICONDENSED)
        return PANGO_STRETCH_SEMI_CONDENSED;
    if (width <= FC_WIDTH_NORMAL)
        return PANGO_STRETCH_NORMAL;
    return PANGO_STRETCH_EXPANDED;
}

// Finds an installed face by one property; the plainest when several match.
std::optional<Face> findFace(const char* property, const std::string& value)
{
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, property, reinterpret_cast<const FcChar8*>(value.c_str()));
    FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, FC_WEIGHT, FC_SLANT, FC_WIDTH, FC_POSTSCRIPT_NAME, nullptr);
    FcFontSet* found = FcFontList(nullptr, pattern, objects);
    FcObjectSetDestroy(objects);
    FcPatternDestroy(pattern);
    std::optional<Face> best;
    int bestDistance = 0;
    for (int i = 0; found && i < found->nfont; ++i) {
        FcPattern* font = found->fonts[i];
        FcChar8* family = nullptr;
        FcChar8* postScript = nullptr;
        int weight = FC_WEIGHT_REGULAR, slant = FC_SLANT_ROMAN, width = FC_WIDTH_NORMAL;
        if (FcPatternGetString(font, FC_FAMILY, 0, &family) != FcResultMatch)
            continue;
        FcPatternGetInteger(font, FC_WEIGHT, 0, &weight);
        FcPatternGetInteger(font, FC_SLANT, 0, &slant);
        FcPatternGetInteger(font, FC_WIDTH, 0, &width);
        FcPatternGetString(font, FC_POSTSCRIPT_NAME, 0, &postScript);
        int distance = std::abs(weight - FC_WEIGHT_REGULAR) + (slant != FC_SLANT_ROMAN ? 1000 : 0) +
                       std::abs(width - FC_WIDTH_NORMAL) * 10;
        if (best && distance >= bestDistance)
            continue;
        bestDistance = distance;
        best = Face{.family = reinterpret_cast<const char*>(family),
                    .weight = static_cast<int>(FcWeightToOpenType(weight)),
                    .style = slant == FC_SLANT_ITALIC    ? PANGO_STYLE_ITALIC
                             : slant == FC_SLANT_OBLIQUE ? PANGO_STYLE_OBLIQUE
                                                         : PANGO_STYLE_NORMAL,
                    .stretch = stretchFromFontconfig(width),
                    .postScriptName = postScript ? reinterpret_cast<const char*>(postScript) : ""};
    }
    if (found)
        FcFontSetDestroy(found);
    return best;
}

// Name lookups ask fontconfig once per name.
std::optional<Face> faceNamed(const String& name)
{
    static auto* cache = new std::map<String, std::optional<Face>>;
    std::lock_guard lock(detail::textLock());
    if (auto it = cache->find(name); it != cache->end())
        return it->second;
    std::string utf8 = name.utf8();
    auto face = findFace(FC_POSTSCRIPT_NAME, utf8);
    if (!face)
        face = findFace(FC_FAMILY, utf8);
    cache->emplace(name, face);
    return face;
}

int pangoWeight(NSFontWeight weight)
{
    static constexpr std::pair<NSFontWeight, int> steps[] = {
        {-0.7, PANGO_WEIGHT_THIN},  {-0.5, PANGO_WEIGHT_ULTRALIGHT}, {-0.2, PANGO_WEIGHT_LIGHT},
        {0.1, PANGO_WEIGHT_NORMAL}, {0.26, PANGO_WEIGHT_MEDIUM},     {0.35, PANGO_WEIGHT_SEMIBOLD},
        {0.5, PANGO_WEIGHT_BOLD},   {0.6, PANGO_WEIGHT_ULTRABOLD},
    };
    for (auto [below, pango] : steps)
        if (weight < below)
            return pango;
    return PANGO_WEIGHT_HEAVY;
}

std::shared_ptr<NSFont> loadFont(const char* family, int weight, PangoStyle style, PangoStretch stretch, CGFloat size)
{
    std::lock_guard lock(detail::textLock());
    PangoFontDescription* description = pango_font_description_new();
    pango_font_description_set_family(description, family);
    pango_font_description_set_weight(description, static_cast<PangoWeight>(weight));
    pango_font_description_set_style(description, style);
    pango_font_description_set_stretch(description, stretch);
    // Absolute sizes are in user-space units: one point each.
    pango_font_description_set_absolute_size(description, size * PANGO_SCALE);
    // The face pango picks may not be the one asked for; the names tell
    // which it is.
    String postScriptName;
    String familyName = family;
    if (PangoFont* font = pango_context_load_font(detail::pangoContext(), description)) {
        if (PANGO_IS_FC_FONT(font)) {
            FcPattern* pattern = pango_fc_font_get_pattern(PANGO_FC_FONT(font));
            FcChar8* value = nullptr;
            if (FcPatternGetString(pattern, FC_POSTSCRIPT_NAME, 0, &value) == FcResultMatch)
                postScriptName = reinterpret_cast<const char*>(value);
            if (FcPatternGetString(pattern, FC_FAMILY, 0, &value) == FcResultMatch)
                familyName = reinterpret_cast<const char*>(value);
        }
        g_object_unref(font);
    }
    return std::make_shared<NSFont>(description, postScriptName, familyName, size);
}

// Fonts are immutable, and views ask for the same few over and over: each
// thread keeps those it made.
std::shared_ptr<NSFont> makeFont(const char* family, int weight, PangoStyle style, PangoStretch stretch, CGFloat size)
{
    if (!(size > 0))
        size = NSFont::systemFontSize();
    using Key = std::tuple<std::string, int, int, int, CGFloat>;
    thread_local std::map<Key, std::shared_ptr<NSFont>> made;
    Key key{family, weight, int(style), int(stretch), size};
    auto it = made.find(key);
    if (it != made.end())
        return it->second;
    // Bounded: a program that asks for ever new sizes doesn't grow.
    if (made.size() >= 256)
        made.clear();
    return made.emplace(key, loadFont(family, weight, style, stretch, size)).first->second;
}

}  // namespace

NSFont::NSFont(PangoFontDescription* description, String fontName, String familyName, CGFloat pointSize)
    : description_(description)
    , fontName_(std::move(fontName))
    , familyName_(std::move(familyName))
    , pointSize_(pointSize)
{
    std::lock_guard lock(detail::textLock());
    PangoFont* font = pango_context_load_font(detail::pangoContext(), description_);
    if (!font)
        return;
    PangoFontMetrics* metrics = pango_font_get_metrics(font, nullptr);
    ascender_ = CGFloat(pango_font_metrics_get_ascent(metrics)) / PANGO_SCALE;
    descender_ = -CGFloat(pango_font_metrics_get_descent(metrics)) / PANGO_SCALE;
    CGFloat height = CGFloat(pango_font_metrics_get_height(metrics)) / PANGO_SCALE;
    leading_ = std::max(CGFloat(0), height - (ascender_ - descender_));
    pango_font_metrics_unref(metrics);
    if (cairo_scaled_font_t* scaled = pango_cairo_font_get_scaled_font(PANGO_CAIRO_FONT(font))) {
        cairo_text_extents_t extents;
        cairo_scaled_font_text_extents(scaled, "H", &extents);
        capHeight_ = -extents.y_bearing;
        cairo_scaled_font_text_extents(scaled, "x", &extents);
        xHeight_ = -extents.y_bearing;
    }
    g_object_unref(font);
}

NSFont::~NSFont()
{
    std::lock_guard lock(detail::textLock());
    pango_font_description_free(description_);
}

std::shared_ptr<NSFont> NSFont::systemFontOfSize(CGFloat size)
{
    return systemFontOfSize(size, NSFontWeightRegular);
}

std::shared_ptr<NSFont> NSFont::systemFontOfSize(CGFloat size, NSFontWeight weight)
{
    return makeFont(detail::kSystemFontFamily, pangoWeight(weight), PANGO_STYLE_NORMAL, PANGO_STRETCH_NORMAL, size);
}

std::shared_ptr<NSFont> NSFont::boldSystemFontOfSize(CGFloat size)
{
    return systemFontOfSize(size, NSFontWeightBold);
}

std::shared_ptr<NSFont> NSFont::monospacedSystemFontOfSize(CGFloat size, NSFontWeight weight)
{
    return makeFont(detail::kMonospacedFontFamily, pangoWeight(weight), PANGO_STYLE_NORMAL, PANGO_STRETCH_NORMAL, size);
}

std::shared_ptr<NSFont> NSFont::labelFontOfSize(CGFloat size)
{
    return systemFontOfSize(size > 0 ? size : labelFontSize());
}

std::shared_ptr<NSFont> NSFont::fontWithName(const String& name, CGFloat size)
{
    if (name.empty())
        return nullptr;
    auto face = faceNamed(name);
    if (!face)
        return nullptr;
    auto font = makeFont(face->family.c_str(), face->weight, face->style, face->stretch, size);
    return font;
}

bool NSFont::isBold() const
{
    return pango_font_description_get_weight(description_) >= PANGO_WEIGHT_BOLD;
}

std::shared_ptr<NSFont> NSFont::fontWithSize(CGFloat size) const
{
    if (!(size > 0))
        size = systemFontSize();
    std::lock_guard lock(detail::textLock());
    PangoFontDescription* copy = pango_font_description_copy(description_);
    pango_font_description_set_absolute_size(copy, size * PANGO_SCALE);
    return std::make_shared<NSFont>(copy, fontName_, familyName_, size);
}

bool NSFont::isEqual(const Id& other) const
{
    auto font = other.object<NSFont>();
    return font && font->pointSize_ == pointSize_ && pango_font_description_equal(font->description_, description_);
}

std::size_t NSFont::hash() const
{
    return pango_font_description_hash(description_);
}

String NSFont::description() const
{
    return String::format("<NSFont: %s %gpt>", fontName_.utf8().c_str(), pointSize_);
}

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KESTROVA_ADDRESS_SANITIZER 1
#endif
#if __has_feature(thread_sanitizer)
#define KESTROVA_THREAD_SANITIZER 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(KESTROVA_ADDRESS_SANITIZER)
// fontconfig loses a few bytes while it reads the system's configuration,
// once per process, before any of our code gets its fonts. The leak checker
// would fail every program that draws text for it; what our own code loses
// is still reported.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}
#endif

#if defined(__SANITIZE_THREAD__) || defined(KESTROVA_THREAD_SANITIZER)
// The drawing libraries are not built with the race checker, and they order
// their shared caches and pools with atomic operations and futex-based
// locks of their own (pango even matches fonts on worker threads) which it
// can't see. What those libraries touch inside themselves is left out;
// every access our code makes is still checked.
extern "C" const char* __tsan_default_suppressions()
{
    return "race:libfontconfig.so\n"
           "called_from_lib:libfontconfig.so\n"
           "called_from_lib:libcairo.so\n"
           "called_from_lib:libpixman-1.so\n"
           "called_from_lib:libglib-2.0.so\n"
           "called_from_lib:libgobject-2.0.so\n"
           "called_from_lib:libpango-1.0.so\n"
           "called_from_lib:libpangoft2-1.0.so\n"
           "called_from_lib:libpangocairo-1.0.so\n"
           "called_from_lib:libharfbuzz.so\n"
           "called_from_lib:libfreetype.so\n";
}
#endif
