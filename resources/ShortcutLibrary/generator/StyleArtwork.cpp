// Draws the recorder control's artwork: the three-part bezel in its four
// states and the cancel and clear buttons with their pressed states, for
// every variant that a style's info asset lists, at scale 1 and 2.
//
//     StyleArtwork OUTPUT-FOLDER STYLE-info.json...
//
// A variant carries the pieces that look different in it: one with a layout
// direction only the cancel button (its arrow points back, to the leading
// side), one with a tint only the recording bezel (its ring is the tint),
// and the others everything. The loader falls back through the variants for
// the rest.
#include <cairo.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

struct Color {
    double r = 0, g = 0, b = 0, a = 1;
};

constexpr Color rgba(int r, int g, int b, double a = 1)
{
    return {r / 255.0, g / 255.0, b / 255.0, a};
}

void setColor(cairo_t* cr, Color c)
{
    cairo_set_source_rgba(cr, c.r, c.g, c.b, c.a);
}

// What a variant is drawn for; unspecified components take the look that
// the control's usual environment has (light, no options, left to right,
// blue).
struct Variant {
    int appearance = 0;
    int accessibility = 0;
    int layoutDirection = 0;
    int tint = 0;

    bool dark() const { return appearance == 3 || appearance == 4; }
    bool vibrant() const { return appearance == 2 || appearance == 4; }
    bool highContrast() const { return accessibility == 2; }
    bool rightToLeft() const { return layoutDirection == 2; }
    bool graphite() const { return tint == 2; }

    // The resource-name suffix, as the loader builds it.
    std::string suffix() const
    {
        static const char* appearances[] = {"", "-aqua", "-vibrantlight", "-darkaqua", "-vibrantdark"};
        static const char* accessibilities[] = {"", "", "-acc"};
        static const char* directions[] = {"", "-ltr", "-rtl"};
        static const char* tints[] = {"", "-blue", "-graphite"};
        return std::string(appearances[appearance]) + accessibilities[accessibility] + directions[layoutDirection] +
               tints[tint];
    }
};

// The two looks of the two style generations: the later one rounder, with
// a soft gradient and a shadow; the earlier one flat.
struct Shape {
    double cornerRadius = 5;
    bool gradient = true;
    bool shadow = true;
    double ringWidth = 1.5;
};

Shape shapeForStyle(const std::string& identifier)
{
    if (identifier == "sr-yosemite")
        return {.cornerRadius = 3.5, .gradient = false, .shadow = false, .ringWidth = 1};
    return {};
}

// Colours of one variant.
struct Palette {
    Color fillTop, fillBottom, border, shadow;
    Color pressedTop, pressedBottom;
    Color disabledFill, disabledBorder;
    Color ring;
    Color button, buttonPressed, glyph;
};

Palette paletteFor(const Variant& v)
{
    Palette p;
    bool hc = v.highContrast();
    if (!v.dark()) {
        p.fillTop = rgba(255, 255, 255);
        p.fillBottom = rgba(247, 247, 247);
        p.border = hc ? rgba(0, 0, 0, 0.85) : rgba(0, 0, 0, 0.22);
        p.shadow = rgba(0, 0, 0, hc ? 0.3 : 0.1);
        p.pressedTop = rgba(226, 226, 228);
        p.pressedBottom = rgba(216, 216, 219);
        p.disabledFill = rgba(250, 250, 250, 0.7);
        p.disabledBorder = hc ? rgba(0, 0, 0, 0.45) : rgba(0, 0, 0, 0.12);
        p.ring =
            v.graphite() ? (hc ? rgba(72, 72, 76) : rgba(142, 142, 147)) : (hc ? rgba(0, 64, 221) : rgba(0, 122, 255));
        p.button = hc ? rgba(0, 0, 0, 0.9) : rgba(0, 0, 0, 0.26);
        p.buttonPressed = hc ? rgba(0, 0, 0, 0.65) : rgba(0, 0, 0, 0.5);
        p.glyph = rgba(255, 255, 255);
        if (v.vibrant()) {
            p.fillTop.a = p.fillBottom.a = 0.6;
            p.pressedTop.a = p.pressedBottom.a = 0.7;
            p.disabledFill.a = 0.35;
        }
    } else {
        p.fillTop = rgba(86, 86, 90);
        p.fillBottom = rgba(76, 76, 80);
        p.border = hc ? rgba(255, 255, 255, 0.85) : rgba(255, 255, 255, 0.12);
        p.shadow = rgba(0, 0, 0, hc ? 0.6 : 0.35);
        p.pressedTop = rgba(110, 110, 115);
        p.pressedBottom = rgba(100, 100, 105);
        p.disabledFill = rgba(70, 70, 74, 0.5);
        p.disabledBorder = hc ? rgba(255, 255, 255, 0.45) : rgba(255, 255, 255, 0.06);
        p.ring = v.graphite() ? (hc ? rgba(200, 200, 205) : rgba(152, 152, 157))
                              : (hc ? rgba(64, 156, 255) : rgba(10, 132, 255));
        p.button = hc ? rgba(255, 255, 255, 0.9) : rgba(255, 255, 255, 0.38);
        p.buttonPressed = hc ? rgba(255, 255, 255, 0.65) : rgba(255, 255, 255, 0.6);
        p.glyph = hc ? rgba(0, 0, 0) : rgba(30, 30, 32);
        if (v.vibrant()) {
            p.fillTop = rgba(255, 255, 255, 0.16);
            p.fillBottom = rgba(255, 255, 255, 0.12);
            p.pressedTop = rgba(255, 255, 255, 0.28);
            p.pressedBottom = rgba(255, 255, 255, 0.24);
            p.disabledFill = rgba(255, 255, 255, 0.06);
        }
    }
    return p;
}

// --- Geometry, in points ---

// The bezel's caps and the one-point middle that is stretched between them.
constexpr double kCapWidth = 6;
constexpr double kCenterWidth = 1;
constexpr double kBezelWidth = 2 * kCapWidth + kCenterWidth;
// The body is the control's alignment rectangle; the shadow lies in the one
// point below it that the alignment insets add.
constexpr double kBodyHeight = 21;
constexpr double kBezelHeight = 22;
constexpr double kButtonSize = 14;

void roundedRect(cairo_t* cr, double x, double y, double w, double h, double r)
{
    r = std::min({r, w / 2, h / 2});
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + w - r, y + r, r, -M_PI / 2, 0);
    cairo_arc(cr, x + w - r, y + h - r, r, 0, M_PI / 2);
    cairo_arc(cr, x + r, y + h - r, r, M_PI / 2, M_PI);
    cairo_arc(cr, x + r, y + r, r, M_PI, 3 * M_PI / 2);
    cairo_close_path(cr);
}

enum class BezelState { Normal, Pressed, Recording, Disabled };

void drawBezel(cairo_t* cr, const Palette& p, const Shape& shape, BezelState state)
{
    double r = shape.cornerRadius;
    if (shape.shadow && state != BezelState::Disabled) {
        roundedRect(cr, 0, 1, kBezelWidth, kBodyHeight, r);
        setColor(cr, p.shadow);
        cairo_fill(cr);
    }
    Color top = p.fillTop, bottom = p.fillBottom, border = p.border;
    if (state == BezelState::Pressed) {
        top = p.pressedTop;
        bottom = p.pressedBottom;
    } else if (state == BezelState::Disabled) {
        top = bottom = p.disabledFill;
        border = p.disabledBorder;
    }
    if (!shape.gradient)
        bottom = top;
    roundedRect(cr, 0, 0, kBezelWidth, kBodyHeight, r);
    cairo_pattern_t* fill = cairo_pattern_create_linear(0, 0, 0, kBodyHeight);
    cairo_pattern_add_color_stop_rgba(fill, 0, top.r, top.g, top.b, top.a);
    cairo_pattern_add_color_stop_rgba(fill, 1, bottom.r, bottom.g, bottom.b, bottom.a);
    cairo_set_source(cr, fill);
    cairo_fill(cr);
    cairo_pattern_destroy(fill);

    if (state == BezelState::Recording) {
        double w = shape.ringWidth;
        roundedRect(cr, w / 2, w / 2, kBezelWidth - w, kBodyHeight - w, r - w / 2);
        setColor(cr, p.ring);
        cairo_set_line_width(cr, w);
        cairo_stroke(cr);
    } else {
        roundedRect(cr, 0.5, 0.5, kBezelWidth - 1, kBodyHeight - 1, r - 0.5);
        setColor(cr, border);
        cairo_set_line_width(cr, 1);
        cairo_stroke(cr);
    }
}

enum class ButtonKind { Cancel, Clear };

void drawButton(cairo_t* cr, const Palette& p, ButtonKind kind, bool pressed, bool rightToLeft)
{
    double c = kButtonSize / 2;
    cairo_arc(cr, c, c, c - 0.5, 0, 2 * M_PI);
    setColor(cr, pressed ? p.buttonPressed : p.button);
    cairo_fill(cr);

    setColor(cr, p.glyph);
    cairo_set_line_width(cr, 1.5);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    if (kind == ButtonKind::Clear) {
        cairo_move_to(cr, 4.75, 4.75);
        cairo_line_to(cr, 9.25, 9.25);
        cairo_move_to(cr, 9.25, 4.75);
        cairo_line_to(cr, 4.75, 9.25);
        cairo_stroke(cr);
        return;
    }
    // "Use old shortcut": an arrow that turns back to the leading side.
    cairo_save(cr);
    if (rightToLeft) {
        cairo_translate(cr, kButtonSize, 0);
        cairo_scale(cr, -1, 1);
    }
    cairo_move_to(cr, 5.6, 5.4);
    cairo_line_to(cr, 8.2, 5.4);
    cairo_arc(cr, 8.2, 7.6, 2.2, -M_PI / 2, M_PI / 2);
    cairo_line_to(cr, 6.2, 9.8);
    cairo_stroke(cr);
    cairo_move_to(cr, 3.6, 5.4);
    cairo_line_to(cr, 6.0, 3.4);
    cairo_line_to(cr, 6.0, 7.4);
    cairo_close_path(cr);
    cairo_fill(cr);
    cairo_restore(cr);
}

// --- Output ---

bool writePng(cairo_surface_t* surface, const std::string& path)
{
    if (cairo_surface_write_to_png(surface, path.c_str()) != CAIRO_STATUS_SUCCESS) {
        std::fprintf(stderr, "StyleArtwork: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

std::string fileName(const std::string& base, int scale)
{
    return base + (scale == 2 ? "@2x.png" : ".png");
}

// Draws at `scale` pixels per point into an image `width` × `height` points.
cairo_surface_t* render(double width, double height, int scale, const std::function<void(cairo_t*)>& draw)
{
    auto* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, int(std::lround(width * scale)),
                                               int(std::lround(height * scale)));
    cairo_t* cr = cairo_create(surface);
    cairo_scale(cr, scale, scale);
    draw(cr);
    cairo_destroy(cr);
    return surface;
}

// The part of a bezel drawn whole, from `x` points on, `width` wide.
cairo_surface_t* slice(cairo_surface_t* whole, double x, double width, int scale)
{
    auto* piece = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, int(std::lround(width * scale)),
                                             cairo_image_surface_get_height(whole));
    cairo_t* cr = cairo_create(piece);
    cairo_set_source_surface(cr, whole, -x * scale, 0);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_paint(cr);
    cairo_destroy(cr);
    return piece;
}

bool writeVariant(const std::string& folder, const std::string& identifier, const Variant& variant)
{
    const Palette palette = paletteFor(variant);
    const Shape shape = shapeForStyle(identifier);
    const std::string prefix = folder + "/" + identifier + variant.suffix() + "-";
    bool ok = true;

    struct Bezel {
        const char* name;
        BezelState state;
    };
    static constexpr Bezel bezels[] = {
        {"normal", BezelState::Normal},
        {"pressed", BezelState::Pressed},
        {"recording", BezelState::Recording},
        {"disabled", BezelState::Disabled},
    };
    struct Button {
        const char* name;
        ButtonKind kind;
        bool pressed;
    };
    static constexpr Button buttons[] = {
        {"button-cancel-normal", ButtonKind::Cancel, false},
        {"button-cancel-pressed", ButtonKind::Cancel, true},
        {"button-clear-normal", ButtonKind::Clear, false},
        {"button-clear-pressed", ButtonKind::Clear, true},
    };
    bool onlyCancel = variant.layoutDirection != 0;
    bool onlyRecording = !onlyCancel && variant.tint != 0;

    for (int scale : {1, 2}) {
        for (const Bezel& bezel : bezels) {
            if (onlyCancel || (onlyRecording && bezel.state != BezelState::Recording))
                continue;
            cairo_surface_t* whole = render(kBezelWidth, kBezelHeight, scale,
                                            [&](cairo_t* cr) { drawBezel(cr, palette, shape, bezel.state); });
            const std::pair<const char*, std::pair<double, double>> parts[] = {
                {"left", {0, kCapWidth}},
                {"center", {kCapWidth, kCenterWidth}},
                {"right", {kCapWidth + kCenterWidth, kCapWidth}},
            };
            for (const auto& [part, span] : parts) {
                cairo_surface_t* piece = slice(whole, span.first, span.second, scale);
                ok &= writePng(piece, fileName(prefix + "bezel-" + bezel.name + "-" + part, scale));
                cairo_surface_destroy(piece);
            }
            cairo_surface_destroy(whole);
        }
        for (const Button& button : buttons) {
            if (onlyRecording || (onlyCancel && button.kind != ButtonKind::Cancel))
                continue;
            cairo_surface_t* image = render(kButtonSize, kButtonSize, scale, [&](cairo_t* cr) {
                drawButton(cr, palette, button.kind, button.pressed, variant.rightToLeft());
            });
            ok &= writePng(image, fileName(prefix + button.name, scale));
            cairo_surface_destroy(image);
        }
    }
    return ok;
}

int component(const nlohmann::json& element, const char* key, int limit)
{
    auto it = element.find(key);
    if (it == element.end() || !it->is_number_integer())
        return 0;
    int value = it->get<int>();
    return value >= 0 && value < limit ? value : 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: StyleArtwork OUTPUT-FOLDER STYLE-info.json...\n");
        return 2;
    }
    std::string folder = argv[1];
    bool ok = true;
    for (int i = 2; i < argc; ++i) {
        std::string path = argv[i];
        std::string file = path.substr(path.find_last_of('/') + 1);
        const std::string ending = "-info.json";
        if (file.size() <= ending.size() || file.compare(file.size() - ending.size(), ending.size(), ending) != 0) {
            std::fprintf(stderr, "StyleArtwork: %s is not a style's info asset\n", path.c_str());
            return 2;
        }
        std::string identifier = file.substr(0, file.size() - ending.size());
        nlohmann::json info = nlohmann::json::parse(std::ifstream(path), nullptr, false);
        if (!info.is_object() || !info["supportedComponents"].is_array()) {
            std::fprintf(stderr, "StyleArtwork: %s lists no variants\n", path.c_str());
            return 1;
        }
        for (const auto& element : info["supportedComponents"]) {
            Variant variant{component(element, "appearance", 5), component(element, "accessibility", 3),
                            component(element, "layoutDirection", 3), component(element, "tint", 3)};
            ok &= writeVariant(folder, identifier, variant);
        }
    }
    cairo_debug_reset_static_data();
    return ok ? 0 : 1;
}
