#include "drawing/DrawingValues.h"

#include "appkit/NSColor.h"
#include "appkit/NSFont.h"

namespace detail {

std::shared_ptr<NSColor> colorFromValue(const Id& value)
{
    if (auto color = value.object<NSColor>())
        return color;
    if (const String* name = value.string())
        return NSColor::systemColorNamed(*name);
    if (const Array* components = value.array()) {
        std::size_t count = components->count();
        if (count != 3 && count != 4)
            return nullptr;
        CGFloat c[4] = {0, 0, 0, 1};
        for (std::size_t i = 0; i < count; ++i) {
            if (!(*components)[i].isNumber())
                return nullptr;
            c[i] = (*components)[i].doubleValue();
        }
        return NSColor::colorWithSRGBRed(c[0], c[1], c[2], c[3]);
    }
    return nullptr;
}

std::shared_ptr<NSFont> fontFromValue(const Id& value)
{
    if (auto font = value.object<NSFont>())
        return font;
    if (value.isNumber() && !value.isBoolean())
        return NSFont::systemFontOfSize(value.doubleValue());
    const Dictionary* description = value.dictionary();
    if (!description)
        return nullptr;
    CGFloat size = description->objectForKey(Id("size")).doubleValue();
    Id name = description->objectForKey(Id("name"));
    if (const String* text = name.string())
        return NSFont::fontWithName(*text, size);
    Id weight = description->objectForKey(Id("weight"));
    if (const String* word = weight.string()) {
        if (*word == String("bold"))
            return NSFont::boldSystemFontOfSize(size);
        if (*word != String("regular"))
            return nullptr;
    } else if (weight.isNumber()) {
        return NSFont::systemFontOfSize(size, weight.doubleValue());
    }
    return NSFont::systemFontOfSize(size);
}

}  // namespace detail
