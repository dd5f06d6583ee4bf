#include "appkit/NSImage.h"

#include "appkit/NSAttributedString.h"
#include "appkit/NSBezierPath.h"
#include "appkit/NSBitmapImageRep.h"
#include "appkit/NSColor.h"
#include "appkit/NSFont.h"
#include "appkit/NSParagraphStyle.h"
#include "appkit/NSScreen.h"
#include "foundation/NSBundle.h"
#include "foundation/NSPathUtilities.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <unordered_map>

const String NSImageNameApplicationIcon = "NSApplicationIcon";

namespace {

struct NamedImages {
    std::mutex mutex;
    // Set with setName: held weakly, as the platform lets a named image go
    // when nobody else holds it.
    std::unordered_map<String, std::weak_ptr<NSImage>> registered;
    // Found in a main bundle, keyed by the bundle's path and the name.
    std::unordered_map<String, std::shared_ptr<NSImage>> cached;
};

// The image that stands for the program itself.
std::shared_ptr<NSImage> applicationIconOf(const NSBundle& bundle)
{
    // The values are kept while their text is read: string() points into
    // them.
    Id iconFile = bundle.objectForInfoDictionaryKey("CFBundleIconFile");
    if (const String* file = iconFile.string())
        if (auto image = NSImage::imageForResource(bundle, *file))
            return image;
    for (const char* key : {"CFBundleDisplayName", "CFBundleName"}) {
        Id value = bundle.objectForInfoDictionaryKey(key);
        if (const String* name = value.string(); name && !name->empty())
            return NSImage::generatedApplicationIcon(*name);
    }
    return NSImage::generatedApplicationIcon(stringByDeletingPathExtension(lastPathComponent(bundle.bundlePath())));
}

NamedImages& namedImages()
{
    static auto* images = new NamedImages;
    return *images;
}

// Width and height from a PNG's header chunk; zero for anything else.
NSSize pngSize(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    unsigned char header[24] = {};
    if (!file.read(reinterpret_cast<char*>(header), sizeof header))
        return NSZeroSize;
    static constexpr unsigned char signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    for (int i = 0; i < 8; ++i)
        if (header[i] != signature[i])
            return NSZeroSize;
    auto word = [&](int at) {
        return (std::uint32_t(header[at]) << 24) | (std::uint32_t(header[at + 1]) << 16) |
               (std::uint32_t(header[at + 2]) << 8) | std::uint32_t(header[at + 3]);
    };
    return {CGFloat(word(16)), CGFloat(word(20))};
}

bool fileExists(const String& path)
{
    return !path.empty() && std::ifstream(path.utf8()).good();
}

// "Icon.png" and "Icon@2x.png": the stem without the scale mark, and the
// scale the file is for.
struct ScaledName {
    std::string stem;
    std::string extension;
    int scale = 1;
};

ScaledName scaledName(const std::string& path)
{
    std::size_t slash = path.rfind('/');
    std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        dot = path.size();
    ScaledName name{path.substr(0, dot), path.substr(dot), 1};
    if (name.stem.size() > 3 && name.stem.compare(name.stem.size() - 3, 3, "@2x") == 0) {
        name.stem.resize(name.stem.size() - 3);
        name.scale = 2;
    }
    return name;
}

// The image whose handler is being drawn into a bitmap on this thread.
thread_local const NSImage* renderingNow = nullptr;

bool endsWithTemplate(const String& text)
{
    return text.hasSuffix("Template");
}

// The PNG bitmap of a file at its scale: its size in points is its pixel
// size divided by the scale.
std::shared_ptr<NSBitmapImageRep> bitmapFromFile(const std::string& path, int scale)
{
    auto bitmap = NSBitmapImageRep::imageRepWithContentsOfFile(path);
    if (bitmap)
        bitmap->setSize({CGFloat(bitmap->pixelsWide()) / scale, CGFloat(bitmap->pixelsHigh()) / scale});
    return bitmap;
}

// Keeps the caller's current path across drawing that builds its own.
class SavedPath {
public:
    explicit SavedPath(cairo_t* cr)
        : cr_(cr)
        , path_(cairo_copy_path(cr))
    {
        cairo_new_path(cr);
    }
    ~SavedPath()
    {
        cairo_new_path(cr_);
        cairo_append_path(cr_, path_);
        cairo_path_destroy(path_);
    }

private:
    cairo_t* cr_;
    cairo_path_t* path_;
};

CGFloat deviceScale(cairo_t* cr)
{
    cairo_matrix_t m;
    cairo_get_matrix(cr, &m);
    return std::sqrt(std::abs(m.xx * m.yy - m.xy * m.yx));
}

// A hue from the name's letters, the same every run.
CGFloat hueOf(const String& name)
{
    std::uint32_t h = 2166136261u;
    for (char16_t unit : name.utf16())
        h = (h ^ unit) * 16777619u;
    return CGFloat(h % 360) / 360;
}

NSColor::Components fromHSV(CGFloat hue, CGFloat saturation, CGFloat value)
{
    CGFloat h = hue * 6;
    int sector = static_cast<int>(std::floor(h)) % 6;
    CGFloat f = h - std::floor(h);
    CGFloat p = value * (1 - saturation), q = value * (1 - saturation * f), t = value * (1 - saturation * (1 - f));
    switch (sector) {
    case 0:
        return {value, t, p, 1};
    case 1:
        return {q, value, p, 1};
    case 2:
        return {p, value, t, 1};
    case 3:
        return {p, q, value, 1};
    case 4:
        return {t, p, value, 1};
    default:
        return {value, p, q, 1};
    }
}

}  // namespace

NSImage::NSImage(String path, NSSize size, String name)
    : path_(std::move(path))
    , name_(std::move(name))
    , size_(size)
{
}

NSImage::NSImage(NSSize size)
    : size_(size)
{
    filesLoaded_ = true;
}

NSImage::NSImage(const CGImageRef& image, NSSize size)
{
    filesLoaded_ = true;
    if (!image)
        return;
    auto bitmap = std::make_shared<NSBitmapImageRep>(image);
    size_ = size.width > 0 && size.height > 0 ? size : bitmap->size();
    bitmap->setSize(size_);
    representations_.push_back(bitmap);
}

std::shared_ptr<NSImage> NSImage::imageWithSize(NSSize size, bool flipped, DrawingHandler handler)
{
    auto image = std::make_shared<NSImage>(size);
    image->handler_ = std::move(handler);
    image->handlerSize_ = size;
    image->handlerFlipped_ = flipped;
    return image;
}

std::shared_ptr<NSImage> NSImage::imageWithContentsOfFile(const String& path)
{
    if (!fileExists(path))
        return nullptr;
    std::string file = path.utf8();
    NSSize size = pngSize(file);
    if (scaledName(file).scale == 2)
        size = {size.width / 2, size.height / 2};
    auto image = std::make_shared<NSImage>(path, size);
    image->template_ = endsWithTemplate(String(scaledName(file).stem));
    return image;
}

std::shared_ptr<NSImage> NSImage::imageForResource(const NSBundle& bundle, const String& name)
{
    return imageWithContentsOfFile(bundle.pathForImageResource(name));
}

std::shared_ptr<NSImage> NSImage::imageNamed(const String& name)
{
    if (name.empty())
        return nullptr;
    auto& images = namedImages();
    {
        std::lock_guard lock(images.mutex);
        if (auto it = images.registered.find(name); it != images.registered.end()) {
            if (auto image = it->second.lock())
                return image;
            images.registered.erase(it);
        }
    }
    auto bundle = NSBundle::mainBundle();
    if (!bundle)
        return nullptr;
    String key = bundle->bundlePath().appending("\n").appending(name);
    {
        std::lock_guard lock(images.mutex);
        if (auto it = images.cached.find(key); it != images.cached.end())
            return it->second;
    }
    auto image = imageForResource(*bundle, name);
    if (!image && name == NSImageNameApplicationIcon)
        image = applicationIconOf(*bundle);
    if (!image)
        return nullptr;
    image->name_ = name;
    std::lock_guard lock(images.mutex);
    return images.cached.emplace(key, image).first->second;
}

std::shared_ptr<NSImage> NSImage::generatedApplicationIcon(const String& applicationName)
{
    NSColor::Components fill = fromHSV(hueOf(applicationName), 0.55, 0.85);
    String letter = applicationName.empty() ? String("?") : applicationName.substring(0, 1).uppercase();
    if (!applicationName.empty() && applicationName.characterAtIndex(0) >= 0xD800 &&
        applicationName.characterAtIndex(0) <= 0xDBFF)
        letter = applicationName.substring(0, 2);
    auto image = imageWithSize({512, 512}, false, [fill, letter](NSRect rect) {
        // The shape keeps a margin around it, as application icons do.
        NSRect square = CGRectInset(rect, rect.size.width * 0.1, rect.size.height * 0.1);
        NSColor::colorWithSRGBRed(fill[0], fill[1], fill[2], fill[3])->setFill();
        NSBezierPath::bezierPathWithRoundedRect(square, square.size.width * 0.225, square.size.height * 0.225)->fill();
        auto style = std::make_shared<NSMutableParagraphStyle>();
        style->setAlignment(NSTextAlignmentCenter);
        Dictionary attributes{{Id(NSFontAttributeName), Id(NSFont::boldSystemFontOfSize(square.size.height * 0.5))},
                              {Id(NSForegroundColorAttributeName), Id(NSColor::whiteColor())},
                              {Id(NSParagraphStyleAttributeName), Id(style)}};
        NSAttributedString text(letter, attributes);
        NSSize size = text.size();
        text.drawInRect({{square.origin.x, CGRectGetMidY(square) - size.height / 2}, {square.size.width, size.height}});
        return true;
    });
    image->name_ = applicationName;
    return image;
}

void NSImage::resetNamedImagesForTesting()
{
    auto& images = namedImages();
    std::lock_guard lock(images.mutex);
    images.registered.clear();
    images.cached.clear();
}

bool NSImage::setName(const String& name)
{
    auto& images = namedImages();
    std::lock_guard lock(images.mutex);
    if (!name.empty()) {
        auto it = images.registered.find(name);
        if (it != images.registered.end() && it->second.lock() && it->second.lock().get() != this)
            return false;
    }
    if (!name_.empty())
        images.registered.erase(name_);
    name_ = name;
    if (!name.empty())
        images.registered[name] = std::static_pointer_cast<NSImage>(shared_from_this());
    return true;
}

void NSImage::loadFileRepresentations() const
{
    std::lock_guard lock(mutex_);
    if (filesLoaded_)
        return;
    filesLoaded_ = true;
    if (path_.empty())
        return;
    ScaledName file = scaledName(path_.utf8());
    if (auto bitmap = bitmapFromFile(path_.utf8(), file.scale))
        representations_.push_back(bitmap);
    // A 1x file brings its 2x companion along when there is one.
    if (file.scale == 1)
        if (auto bitmap = bitmapFromFile(file.stem + "@2x" + file.extension, 2))
            representations_.push_back(bitmap);
}

std::vector<std::shared_ptr<NSImageRep>> NSImage::representations() const
{
    loadFileRepresentations();
    std::lock_guard lock(mutex_);
    return representations_;
}

void NSImage::addRepresentation(const std::shared_ptr<NSImageRep>& representation)
{
    if (!representation)
        return;
    loadFileRepresentations();
    std::lock_guard lock(mutex_);
    representations_.push_back(representation);
}

bool NSImage::isValid() const
{
    if (handler_)
        return true;
    for (const auto& representation : representations())
        if (representation->isKindOf<NSBitmapImageRep>())
            return true;
    return false;
}

std::shared_ptr<NSBitmapImageRep> NSImage::bestBitmap(CGFloat pixelsPerPoint) const
{
    std::shared_ptr<NSBitmapImageRep> best, densest;
    CGFloat bestDensity = 0, densestDensity = 0;
    for (const auto& representation : representations()) {
        auto bitmap = std::dynamic_pointer_cast<NSBitmapImageRep>(representation);
        if (!bitmap)
            continue;
        CGFloat width = bitmap->size().width > 0 ? bitmap->size().width : CGFloat(bitmap->pixelsWide());
        CGFloat density = CGFloat(bitmap->pixelsWide()) / width;
        if (!densest || density > densestDensity) {
            densest = bitmap;
            densestDensity = density;
        }
        if (density >= pixelsPerPoint * 0.999 && (!best || density < bestDensity)) {
            best = bitmap;
            bestDensity = density;
        }
    }
    return best ? best : densest;
}

void NSImage::draw(NSRect rect, NSRect fromRect, NSCompositingOperation operation, CGFloat fraction,
                   bool respectFlipped, const NSColor* templateColor)
{
    auto context = NSGraphicsContext::currentContext();
    rect = CGRectStandardize(rect);
    if (!context || !(fraction > 0) || CGRectIsEmpty(rect) || !(size_.width > 0) || !(size_.height > 0))
        return;
    NSRect bounds = {NSZeroPoint, size_};
    NSRect source = CGRectIsEmpty(fromRect) ? bounds : CGRectIntersection(CGRectStandardize(fromRect), bounds);
    if (CGRectIsNull(source) || CGRectIsEmpty(source))
        return;
    auto bitmap = bestBitmap(1);
    if (!bitmap && !handler_)
        return;

    CGContextRef cg = context->CGContext();
    cairo_t* cr = cg->cairo();
    SavedPath savedPath(cr);
    CGContextSaveGState(cg);
    cg->state().blendMode = NSBlendModeForCompositingOperation(operation);
    cg->applyBlendMode();
    CGFloat alpha = fraction * cg->state().alpha;
    cairo_rectangle(cr, rect.origin.x, rect.origin.y, rect.size.width, rect.size.height);
    cairo_clip(cr);

    // Image points (y upwards from the image's bottom left) to user space,
    // mapping the source part onto the rectangle.
    CGFloat sx = rect.size.width / source.size.width, sy = rect.size.height / source.size.height;
    cairo_matrix_t placement;
    if (context->isFlipped() && respectFlipped)
        cairo_matrix_init(&placement, sx, 0, 0, -sy, rect.origin.x - source.origin.x * sx,
                          rect.origin.y + CGRectGetMaxY(source) * sy);
    else
        cairo_matrix_init(&placement, sx, 0, 0, sy, rect.origin.x - source.origin.x * sx,
                          rect.origin.y - source.origin.y * sy);
    CGFloat pixelsPerPoint = deviceScale(cr) * std::max(sx, sy);
    cairo_transform(cr, &placement);

    cairo_pattern_t* pattern = nullptr;
    bitmap = bestBitmap(pixelsPerPoint);
    // A drawing handler's image is drawn once per density and kept: icons
    // are drawn again and again at the same few sizes.
    if (!bitmap && handler_ && renderingNow != this)
        bitmap = handlerRendering(pixelsPerPoint);
    if (bitmap) {
        // Pixels run from the top row down.
        cairo_translate(cr, 0, size_.height);
        cairo_scale(cr, size_.width / CGFloat(bitmap->pixelsWide()), -size_.height / CGFloat(bitmap->pixelsHigh()));
        cairo_surface_t* pixels = bitmap->CGImage()->cairoSurface();
        if (source == bounds) {
            pattern = cairo_pattern_create_for_surface(pixels);
        } else {
            // A part is cut out first, so that scaling it doesn't blend in
            // the pixels around it.
            CGFloat wide = CGFloat(bitmap->pixelsWide()), high = CGFloat(bitmap->pixelsHigh());
            int x0 = int(std::clamp(std::floor(source.origin.x * wide / size_.width), CGFloat(0), wide));
            int x1 = int(std::clamp(std::ceil(CGRectGetMaxX(source) * wide / size_.width), CGFloat(0), wide));
            int y0 = int(
                std::clamp(std::floor((size_.height - CGRectGetMaxY(source)) * high / size_.height), CGFloat(0), high));
            int y1 =
                int(std::clamp(std::ceil((size_.height - source.origin.y) * high / size_.height), CGFloat(0), high));
            cairo_surface_t* part =
                cairo_image_surface_create(CAIRO_FORMAT_ARGB32, std::max(1, x1 - x0), std::max(1, y1 - y0));
            cairo_t* copy = cairo_create(part);
            cairo_set_source_surface(copy, pixels, -x0, -y0);
            cairo_set_operator(copy, CAIRO_OPERATOR_SOURCE);
            cairo_paint(copy);
            cairo_destroy(copy);
            pattern = cairo_pattern_create_for_surface(part);
            cairo_surface_destroy(part);
            cairo_matrix_t offset;
            cairo_matrix_init_translate(&offset, -x0, -y0);
            cairo_pattern_set_matrix(pattern, &offset);
        }
        cairo_pattern_set_filter(pattern, CAIRO_FILTER_GOOD);
        cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
    } else {
        cairo_push_group(cr);
        cairo_save(cr);
        cairo_scale(cr, size_.width / handlerSize_.width, size_.height / handlerSize_.height);
        if (handlerFlipped_) {
            cairo_translate(cr, 0, handlerSize_.height);
            cairo_scale(cr, 1, -1);
        }
        {
            ScopedCurrentContext scoped(std::make_shared<NSGraphicsContext>(cg, handlerFlipped_));
            CGContextSaveGState(cg);
            cg->state() = CGContext::GState{};
            handler_({NSZeroPoint, handlerSize_});
            CGContextRestoreGState(cg);
        }
        cairo_restore(cr);
        pattern = cairo_pop_group(cr);
    }
    cg->applyBlendMode();
    if (templateColor) {
        NSColor::Components c = templateColor->components();
        cairo_set_source_rgba(cr, c[0], c[1], c[2], c[3] * alpha);
        cairo_mask(cr, pattern);
    } else {
        cairo_set_source(cr, pattern);
        cairo_paint_with_alpha(cr, alpha);
    }
    cairo_pattern_destroy(pattern);
    CGContextRestoreGState(cg);
}

void NSImage::drawInRect(NSRect rect)
{
    draw(rect, NSZeroRect, NSCompositingOperationSourceOver, 1, true, nullptr);
}

void NSImage::drawInRect(NSRect rect, NSRect fromRect, NSCompositingOperation operation, CGFloat fraction)
{
    draw(rect, fromRect, operation, fraction, false, nullptr);
}

void NSImage::drawInRect(NSRect rect, NSRect fromRect, NSCompositingOperation operation, CGFloat fraction,
                         bool respectFlipped, const Dictionary&)
{
    draw(rect, fromRect, operation, fraction, respectFlipped, nullptr);
}

void NSImage::drawAtPoint(NSPoint point, NSRect fromRect, NSCompositingOperation operation, CGFloat fraction)
{
    NSSize size = CGRectIsEmpty(fromRect) ? size_ : CGRectStandardize(fromRect).size;
    draw({point, size}, fromRect, operation, fraction, false, nullptr);
}

void NSImage::drawTemplateInRect(NSRect rect, const NSColor& color, CGFloat fraction)
{
    draw(rect, NSZeroRect, NSCompositingOperationSourceOver, fraction, true, &color);
}

std::shared_ptr<NSBitmapImageRep> NSImage::handlerRendering(CGFloat pixelsPerPoint)
{
    // Densities a hair apart (from rounding) share one rendering.
    CGFloat density = std::max(CGFloat(0.01), std::round(pixelsPerPoint * 100) / 100);
    std::lock_guard lock(handlerMutex_);
    if (handlerCache_ && handlerCacheDensity_ == density && handlerCache_->size() == size_)
        return handlerCache_;
    handlerCache_ = rendered(density);
    handlerCacheDensity_ = density;
    return handlerCache_;
}

std::shared_ptr<NSBitmapImageRep> NSImage::rendered(CGFloat scale)
{
    // Drawing into the bitmap runs the handler itself.
    const NSImage* outer = renderingNow;
    renderingNow = this;
    struct Reset {
        const NSImage* outer;
        ~Reset() { renderingNow = outer; }
    } reset{outer};
    auto bitmap = std::make_shared<NSBitmapImageRep>(NSInteger(std::ceil(size_.width * scale)),
                                                     NSInteger(std::ceil(size_.height * scale)));
    bitmap->setSize(size_);
    ScopedCurrentContext scoped(std::make_shared<NSGraphicsContext>(bitmap->makeContext(), false));
    drawInRect({NSZeroPoint, size_});
    return bitmap;
}

CGImageRef NSImage::CGImageForProposedRect(NSRect* proposedRect, const std::shared_ptr<NSGraphicsContext>& context,
                                           const Dictionary&)
{
    if (!(size_.width > 0) || !(size_.height > 0))
        return nullptr;
    auto drawingContext = context ? context : NSGraphicsContext::currentContext();
    CGFloat scale = drawingContext ? deviceScale(drawingContext->CGContext()->cairo()) : 1;
    NSRect proposed = proposedRect ? CGRectStandardize(*proposedRect) : NSRect{NSZeroPoint, size_};
    CGFloat pixelsPerPoint = scale * (proposed.size.width > 0 ? proposed.size.width / size_.width : 1);
    if (auto bitmap = bestBitmap(pixelsPerPoint))
        return bitmap->CGImage();
    if (!handler_)
        return nullptr;
    return rendered(pixelsPerPoint)->CGImage();
}

void NSImage::lockFocusFlipped(bool flipped)
{
    auto screen = NSScreen::mainScreen();
    CGFloat scale = screen ? screen->backingScaleFactor() : 1;
    NSInteger wide = std::max<NSInteger>(1, NSInteger(std::ceil(size_.width * scale)));
    NSInteger high = std::max<NSInteger>(1, NSInteger(std::ceil(size_.height * scale)));
    if (!focusBitmap_ || focusBitmap_->size() != size_ || focusBitmap_->pixelsWide() != wide ||
        focusBitmap_->pixelsHigh() != high) {
        auto bitmap = std::make_shared<NSBitmapImageRep>(wide, high);
        bitmap->setSize(size_);
        // What the image showed stays under what is drawn now.
        if (isValid()) {
            ScopedCurrentContext scoped(std::make_shared<NSGraphicsContext>(bitmap->makeContext(), false));
            draw({NSZeroPoint, size_}, NSZeroRect, NSCompositingOperationCopy, 1, true, nullptr);
        }
        focusBitmap_ = bitmap;
    }
    CGContextRef cg = focusBitmap_->makeContext();
    if (flipped) {
        CGContextTranslateCTM(cg, 0, size_.height);
        CGContextScaleCTM(cg, 1, -1);
    }
    focusPrevious_.push_back(NSGraphicsContext::currentContext());
    NSGraphicsContext::setCurrentContext(std::make_shared<NSGraphicsContext>(cg, flipped));
}

void NSImage::unlockFocus()
{
    if (focusPrevious_.empty())
        return;
    NSGraphicsContext::setCurrentContext(focusPrevious_.back());
    focusPrevious_.pop_back();
    if (!focusPrevious_.empty())
        return;
    std::lock_guard lock(mutex_);
    filesLoaded_ = true;
    handler_ = nullptr;
    representations_ = {focusBitmap_};
}

String NSImage::description() const
{
    return String::format("<NSImage: name=%s path=%s size=%gx%g>", name_.utf8().c_str(), path_.utf8().c_str(),
                          size_.width, size_.height);
}
