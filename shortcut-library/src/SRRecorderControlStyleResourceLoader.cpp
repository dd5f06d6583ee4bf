#include "shortcut-library/SRRecorderControlStyleResourceLoader.h"

#include "SRRecorderControlStyleResourceLoaderCacheKeys.h"
#include "appkit/NSColor.h"
#include "appkit/NSFont.h"
#include "appkit/NSImage.h"
#include "appkit/NSParagraphStyle.h"
#include "foundation/Log.h"
#include "foundation/NSBundle.h"
#include "foundation/NSCache.h"
#include "foundation/NSDataAsset.h"
#include "foundation/NSException.h"
#include "foundation/ValueClasses.h"
#include "shortcut-library/SRCommon.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdint>
#include <string>

const NSAttributedStringKey SRMinimalDrawableWidthAttributeName = "SRMinimalDrawableWidthAttributeName";

SRRecorderControlStyleInfo::SRRecorderControlStyleInfo(
    std::vector<std::shared_ptr<SRRecorderControlStyleComponents>> supportedComponents,
    SRRecorderControlStyleMetrics metrics)
    : supportedComponents_(std::move(supportedComponents))
    , metrics_(std::move(metrics))
{
}

namespace {

using Json = nlohmann::json;

// --- Checking the info asset, key path by key path ---

// The kinds of value the asset is made of, by the class names the messages
// print.
enum class Kind { Array, Dictionary, Number, String };

const char* nameOf(const ClassDescriptor& cls)
{
    // The value classes are made once and live as long as the program.
    static const std::string names[] = {
        ValueClass::array().name().utf8(),  ValueClass::dictionary().name().utf8(), ValueClass::number().name().utf8(),
        ValueClass::string().name().utf8(), ValueClass::null().name().utf8(),
    };
    if (&cls == &ValueClass::array())
        return names[0].c_str();
    if (&cls == &ValueClass::dictionary())
        return names[1].c_str();
    if (&cls == &ValueClass::number())
        return names[2].c_str();
    if (&cls == &ValueClass::string())
        return names[3].c_str();
    return names[4].c_str();
}

const ClassDescriptor& classOf(Kind kind)
{
    switch (kind) {
    case Kind::Array:
        return ValueClass::array();
    case Kind::Dictionary:
        return ValueClass::dictionary();
    case Kind::Number:
        return ValueClass::number();
    case Kind::String:
        break;
    }
    return ValueClass::string();
}

// The class a parsed value would have; "(null)" for a value that isn't
// there, as a format prints a nil object.
const char* classNameOf(const Json* value)
{
    if (!value)
        return "(null)";
    switch (value->type()) {
    case Json::value_t::array:
        return nameOf(ValueClass::array());
    case Json::value_t::object:
        return nameOf(ValueClass::dictionary());
    case Json::value_t::string:
        return nameOf(ValueClass::string());
    case Json::value_t::boolean:
    case Json::value_t::number_integer:
    case Json::value_t::number_unsigned:
    case Json::value_t::number_float:
        return nameOf(ValueClass::number());
    default:
        return nameOf(ValueClass::null());
    }
}

bool isKind(const Json* value, Kind kind)
{
    if (!value)
        return false;
    switch (kind) {
    case Kind::Array:
        return value->is_array();
    case Kind::Dictionary:
        return value->is_object();
    case Kind::Number:
        // A Boolean is a number, as the platform's number class holds both.
        return value->is_number() || value->is_boolean();
    case Kind::String:
        return value->is_string();
    }
    return false;
}

void expect(const Json* value, Kind kind, const std::string& path)
{
    if (!isKind(value, kind))
        NSException::raise(NSInternalInconsistencyException, "%s: expected %s but got %s", path.c_str(),
                           nameOf(classOf(kind)), classNameOf(value));
}

const Json* member(const Json& object, const char* key)
{
    auto it = object.find(key);
    return it == object.end() ? nullptr : &*it;
}

// A number against a bound, as the number class's compare: would: -1 below,
// 0 equal, 1 above.
int compareNumber(const Json& number, std::int64_t bound)
{
    auto order = [](auto a, auto b) { return a < b ? -1 : (b < a ? 1 : 0); };
    switch (number.type()) {
    case Json::value_t::number_float:
        return order(number.get<double>(), double(bound));
    case Json::value_t::number_unsigned: {
        auto value = number.get<std::uint64_t>();
        return bound < 0 ? 1 : order(value, std::uint64_t(bound));
    }
    case Json::value_t::boolean:
        return order(std::int64_t(number.get<bool>()), bound);
    default:
        return order(number.get<std::int64_t>(), bound);
    }
}

// The number as the platform's unsigned-integer accessor reads it. A
// fraction is cut off; a negative integer keeps its bits, and a value that
// no integer holds reads as every bit set, so that it fails a mask.
std::uint64_t unsignedValueOf(const Json& number)
{
    switch (number.type()) {
    case Json::value_t::number_unsigned:
        return number.get<std::uint64_t>();
    case Json::value_t::number_integer:
        return static_cast<std::uint64_t>(number.get<std::int64_t>());
    case Json::value_t::boolean:
        return number.get<bool>() ? 1 : 0;
    default: {
        double value = number.get<double>();
        if (value >= 0 && value < 18446744073709551616.0)
            return static_cast<std::uint64_t>(value);
        if (value < 0 && value > -9223372036854775808.0)
            return static_cast<std::uint64_t>(static_cast<std::int64_t>(value));
        return ~std::uint64_t(0);
    }
    }
}

double doubleValueOf(const Json& number)
{
    return number.is_boolean() ? (number.get<bool>() ? 1 : 0) : number.get<double>();
}

void expectRange(const Json& number, std::int64_t lower, std::int64_t upper, const std::string& path)
{
    if (compareNumber(number, upper) >= 0)
        NSException::raise(NSInternalInconsistencyException, "%s: value >= %lld", path.c_str(),
                           static_cast<long long>(upper));
    if (compareNumber(number, lower) < 0)
        NSException::raise(NSInternalInconsistencyException, "%s: value < %lld", path.c_str(),
                           static_cast<long long>(lower));
}

void expectMask(const Json& number, std::uint64_t mask, const std::string& path)
{
    if (unsignedValueOf(number) & ~mask)
        NSException::raise(NSInternalInconsistencyException, "%s: value must be with mask %llu", path.c_str(),
                           static_cast<unsigned long long>(mask));
}

// An object of exactly these keys, each of the kind given; answers the
// values in the order of the keys.
template <std::size_t N>
std::array<const Json*, N> expectCompound(const Json* value, const std::string& path,
                                          const std::pair<const char*, Kind> (&keys)[N])
{
    expect(value, Kind::Dictionary, path);
    if (value->size() != N)
        NSException::raise(NSInternalInconsistencyException, "%s: unexpected keys", path.c_str());
    std::array<const Json*, N> values{};
    for (std::size_t i = 0; i < N; ++i) {
        auto [key, kind] = keys[i];
        values[i] = member(*value, key);
        if (!values[i])
            NSException::raise(NSInternalInconsistencyException, "%s: missing %s", path.c_str(), key);
        expect(values[i], kind, path + "." + key);
    }
    return values;
}

NSSize readSize(const Json* value, const std::string& path)
{
    static constexpr std::pair<const char*, Kind> keys[] = {{"width", Kind::Number}, {"height", Kind::Number}};
    auto [width, height] = expectCompound(value, path, keys);
    return {doubleValueOf(*width), doubleValueOf(*height)};
}

NSEdgeInsets readInsets(const Json* value, const std::string& path)
{
    static constexpr std::pair<const char*, Kind> keys[] = {
        {"top", Kind::Number}, {"left", Kind::Number}, {"bottom", Kind::Number}, {"right", Kind::Number}};
    auto [top, left, bottom, right] = expectCompound(value, path, keys);
    return NSEdgeInsetsMake(doubleValueOf(*top), doubleValueOf(*left), doubleValueOf(*bottom), doubleValueOf(*right));
}

CGFloat readNumber(const Json* value, const std::string& path)
{
    expect(value, Kind::Number, path);
    return doubleValueOf(*value);
}

String stringOf(const Json& value)
{
    return String(std::string_view(value.get_ref<const std::string&>()));
}

// Larger sizes than any label needs only make the text system's integer
// units overflow.
constexpr std::int64_t kLargestFontSize = 1000;

Dictionary readLabelAttributes(const Json* value, const std::string& path)
{
    static constexpr std::pair<const char*, Kind> keys[] = {
        {"fontName", Kind::String},
        {"fontSize", Kind::Number},
        {"fontColorCatalogName", Kind::String},
        {"fontColorName", Kind::String},
    };
    auto [fontName, fontSize, catalogName, colorName] = expectCompound(value, path, keys);
    expectRange(*fontSize, 0, kLargestFontSize, path + ".fontSize");

    auto paragraph = std::make_shared<NSMutableParagraphStyle>();
    paragraph->setAlignment(NSTextAlignmentCenter);
    paragraph->setLineBreakMode(NSLineBreakByTruncatingMiddle);

    String name = stringOf(*fontName);
    CGFloat size = doubleValueOf(*fontSize);
    auto font =
        name == String(".AppleSystemUIFont") ? NSFont::systemFontOfSize(size) : NSFont::fontWithName(name, size);
    if (!font)
        NSException::raise(NSInternalInconsistencyException, "%s.fontName: no font named %s", path.c_str(),
                           name.utf8().c_str());

    String catalog = stringOf(*catalogName);
    String colorNamed = stringOf(*colorName);
    auto color = NSColor::colorWithCatalogName(catalog, colorNamed);
    if (!color)
        NSException::raise(NSInternalInconsistencyException, "%s.fontColorName: no colour named %s in the catalog %s",
                           path.c_str(), colorNamed.utf8().c_str(), catalog.utf8().c_str());

    Dictionary attributes{
        {Id(NSParagraphStyleAttributeName), Id(paragraph)},
        {Id(NSFontAttributeName), Id(font)},
        {Id(NSForegroundColorAttributeName), Id(color)},
    };
    NSSize ellipsis = sizeWithAttributes(String(u"\u2026"), attributes);
    attributes.setObject(Id::number(double(ellipsis.width)), Id(SRMinimalDrawableWidthAttributeName));
    return attributes;
}

std::shared_ptr<SRRecorderControlStyleComponents> readComponents(const Json& element, const std::string& path)
{
    expect(&element, Kind::Dictionary, path);
    NSUInteger values[4] = {};
    struct Component {
        const char* key;
        // A range [0, bound), or, for accessibility, a mask of bits.
        std::int64_t bound;
        bool isMask;
    };
    static constexpr Component components[] = {
        {"appearance", 5, false},
        {"accessibility", 3, true},
        {"layoutDirection", 3, false},
        {"tint", 3, false},
    };
    for (std::size_t i = 0; i < 4; ++i) {
        const Json* value = member(element, components[i].key);
        if (!value)
            continue;
        std::string keyPath = path + "." + components[i].key;
        expect(value, Kind::Number, keyPath);
        if (components[i].isMask)
            expectMask(*value, std::uint64_t(components[i].bound), keyPath);
        else
            expectRange(*value, 0, components[i].bound, keyPath);
        values[i] = static_cast<NSUInteger>(unsignedValueOf(*value));
    }
    return std::make_shared<SRRecorderControlStyleComponents>(values[0], values[1], values[2], values[3]);
}

std::shared_ptr<SRRecorderControlStyleInfo> readInfo(const Json& root, const std::string& assetName)
{
    // The document itself has no key path; the asset's name stands for it.
    expect(&root, Kind::Dictionary, assetName);

    const Json* supported = member(root, "supportedComponents");
    expect(supported, Kind::Array, "supportedComponents");
    std::vector<std::shared_ptr<SRRecorderControlStyleComponents>> components;
    components.reserve(supported->size() + 1);
    for (std::size_t i = 0; i < supported->size(); ++i)
        components.push_back(readComponents((*supported)[i], "supportedComponents.[" + std::to_string(i) + "]"));
    // Every style falls back on its bare identifier last.
    components.push_back(std::make_shared<SRRecorderControlStyleComponents>());

    const Json* metrics = member(root, "metrics");
    expect(metrics, Kind::Dictionary, "metrics");
    auto at = [metrics](const char* key) { return member(*metrics, key); };
    SRRecorderControlStyleMetrics m;
    m.minSize = readSize(at("minSize"), "minSize");
    m.labelToCancel = readNumber(at("labelToCancel"), "labelToCancel");
    m.cancelToClear = readNumber(at("cancelToClear"), "cancelToClear");
    m.buttonToAlignment = readNumber(at("buttonToAlignment"), "buttonToAlignment");
    m.baselineFromTop = readNumber(at("baselineFromTop"), "baselineFromTop");
    m.alignmentToLabel = readNumber(at("alignmentToLabel"), "alignmentToLabel");
    m.labelToAlignment = readNumber(at("labelToAlignment"), "labelToAlignment");
    m.baselineLayoutOffsetFromBottom =
        readNumber(at("baselineLayoutOffsetFromBottom"), "baselineLayoutOffsetFromBottom");
    m.baselineDrawingOffsetFromBottom =
        readNumber(at("baselineDrawingOffsetFromBottom"), "baselineDrawingOffsetFromBottom");
    m.focusRingCornerRadius = readSize(at("focusRingCornerRadius"), "focusRingCornerRadius");
    m.focusRingInsets = readInsets(at("focusRingInsets"), "focusRingInsets");
    m.alignmentInsets = readInsets(at("alignmentInsets"), "alignmentInsets");
    m.normalLabelAttributes = readLabelAttributes(at("normalLabelAttributes"), "normalLabelAttributes");
    m.recordingLabelAttributes = readLabelAttributes(at("recordingLabelAttributes"), "recordingLabelAttributes");
    m.disabledLabelAttributes = readLabelAttributes(at("disabledLabelAttributes"), "disabledLabelAttributes");

    return std::make_shared<SRRecorderControlStyleInfo>(std::move(components), std::move(m));
}

// The parser's own words, without the tag it puts before them.
std::string failureReason(const Json::exception& error)
{
    std::string text = error.what();
    if (auto end = text.find("] "); text.starts_with("[json.exception.") && end != std::string::npos)
        text.erase(0, end + 2);
    return text;
}

// Stable, and safe with any answers of the comparison: a reference with
// unspecified components makes it no strict order, which the standard
// sorts don't allow. The lists are a few dozen variants long.
void sortStably(std::vector<std::shared_ptr<SRRecorderControlStyleComponents>>& variants,
                const SRRecorderControlStyleComponents& reference)
{
    for (std::size_t i = 1; i < variants.size(); ++i) {
        std::size_t j = i;
        while (j > 0 && variants[i]->compare(*variants[j - 1], reference) == NSOrderedAscending)
            --j;
        std::rotate(variants.begin() + std::ptrdiff_t(j), variants.begin() + std::ptrdiff_t(i),
                    variants.begin() + std::ptrdiff_t(i) + 1);
    }
}

// The loader's debug traces name the style, and the image where there is one.
void trace(const char* text, const String& identifier, const String* name = nullptr)
{
    if (!Log::debugEnabled())
        return;
    if (name)
        Log::write(LogLevel::Debug, {{"identifier", Id(identifier)}, {"name", Id(*name)}}, "%s", text);
    else
        Log::write(LogLevel::Debug, {{"identifier", Id(identifier)}}, "%s", text);
}

}  // namespace

namespace detail {

std::shared_ptr<SRRecorderControlStyleInfo> SRRecorderControlStyleInfoFromData(const Data& data,
                                                                               const String& assetName)
{
    std::string name = assetName.utf8();
    Json root;
    try {
        const auto* bytes = reinterpret_cast<const char*>(data.bytes());
        root = Json::parse(bytes, bytes + data.length());
    } catch (const Json::exception& error) {
        NSException::raise(NSInternalInconsistencyException, "%s is an invalid JSON: %s", name.c_str(),
                           failureReason(error).c_str());
    }
    return readInfo(root, name);
}

}  // namespace detail

SRRecorderControlStyleResourceLoader::SRRecorderControlStyleResourceLoader()
    : cache_(std::make_shared<NSCache>())
{
    cache_->setName("SRRecorderControlStyleResourceLoader");
}

std::shared_ptr<SRRecorderControlStyleInfo>
SRRecorderControlStyleResourceLoader::infoForStyle(const SRRecorderControlStyleResourceClient& style)
{
    LogActivity activity("-[SRRecorderControlStyleResourceLoader infoForStyle:]");
    String identifier = style.identifier();
    trace("Fetching info", identifier);

    std::lock_guard lock(mutex_);
    if (auto cached = cache_->objectForKey(Id(identifier)).object<SRRecorderControlStyleInfo>()) {
        trace("Info is in cache", identifier);
        return cached;
    }
    trace("Info is not in cache", identifier);

    String assetName = String::format("%s-info", identifier.utf8().c_str());
    auto asset = NSDataAsset::create(assetName, SRLibraryBundle());
    if (!asset)
        asset = NSDataAsset::create(assetName, NSBundle::mainBundle());
    if (!asset)
        NSException::raise(NSInternalInconsistencyException, "Missing %s", assetName.utf8().c_str());

    auto info = detail::SRRecorderControlStyleInfoFromData(asset->data(), assetName);
    cache_->setObject(Id(info), Id(identifier));
    return info;
}

std::vector<String>
SRRecorderControlStyleResourceLoader::lookupPrefixesForStyle(const SRRecorderControlStyleResourceClient& style)
{
    LogActivity activity("-[SRRecorderControlStyleResourceLoader lookupPrefixesForStyle:]");
    String identifier = style.identifier();
    trace("Fetching lookup prefixes", identifier);

    std::lock_guard lock(mutex_);
    auto components = style.effectiveComponents();
    Id key(std::make_shared<detail::SRRecorderControlStyleResourceLoaderCacheLookupPrefixesKey>(
        identifier, components ? components->copy() : nullptr));
    Id cached = cache_->objectForKey(key);
    if (const Array* prefixes = cached.array()) {
        trace("Lookup prefixes are in cache", identifier);
        std::vector<String> result;
        result.reserve(prefixes->count());
        for (const Id& prefix : *prefixes)
            result.push_back(*prefix.string());
        return result;
    }
    trace("Lookup prefixes are not in cache", identifier);

    auto sorted = infoForStyle(style)->supportedComponents();
    // Without components there is nothing to be closer to: the asset's order
    // stands.
    SRRecorderControlStyleComponents unspecified;
    const SRRecorderControlStyleComponents& reference = components ? *components : unspecified;
    sortStably(sorted, reference);

    std::vector<String> result;
    Array prefixes;
    result.reserve(sorted.size());
    for (const auto& variant : sorted) {
        String prefix = identifier.appending(variant->stringRepresentation());
        result.push_back(prefix);
        prefixes.add(Id(prefix));
    }
    cache_->setObject(Id(prefixes), key);
    return result;
}

std::shared_ptr<NSImage>
SRRecorderControlStyleResourceLoader::imageNamed(const String& name, const SRRecorderControlStyleResourceClient& style)
{
    LogActivity activity("-[SRRecorderControlStyleResourceLoader imageNamed:forStyle:]");
    String identifier = style.identifier();
    trace("Fetching image name", identifier, &name);

    std::lock_guard lock(mutex_);
    auto components = style.effectiveComponents();
    Id key(std::make_shared<detail::SRRecorderControlStyleResourceLoaderCacheImageKey>(
        identifier, components ? components->copy() : nullptr, name));
    Id cached = cache_->objectForKey(key);
    if (const Array* found = cached.array(); found && found->count() == 2) {
        trace("Image name is in cache", identifier, &name);
        const String& resource = *(*found)[0].string();
        // The entry keeps only where the image was found, not the image:
        // loading it again costs one lookup and no search.
        if ((*found)[1].boolValue())
            return NSImage::imageForResource(*SRLibraryBundle(), resource);
        return NSImage::imageNamed(resource);
    }
    trace("Image name is not in cache", identifier, &name);

    for (const String& prefix : lookupPrefixesForStyle(style)) {
        String resource = String::format("%s-%s", prefix.utf8().c_str(), name.utf8().c_str());
        bool inLibrary = true;
        auto image = NSImage::imageForResource(*SRLibraryBundle(), resource);
        if (!image) {
            inLibrary = false;
            image = NSImage::imageNamed(resource);
        }
        if (!image)
            continue;
        cache_->setObject(Id(Array{Id(resource), Id::boolean(inLibrary)}), key);
        return image;
    }
    NSException::raise(NSInternalInconsistencyException, "Missing image named %s", name.utf8().c_str());
}
