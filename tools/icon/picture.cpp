#include "picture.h"

#include <cmath>

#include "canvas.h"

namespace icon {
namespace {

struct Style {
    Colour rim, body_top, body_bottom, socket;
    Colour red_core, red_edge, green_core, green_edge, highlight;
    Colour pole, deck_top, deck_upper, deck_lower, ramp, stripe_light, stripe_dark, shadow;
    bool shading;
};

Style FullColour() {
    return {Rgb8(0x5c, 0x66, 0x72), Rgb8(0x3a, 0x41, 0x4b), Rgb8(0x1a, 0x1e, 0x24),
            Rgb8(0x0e, 0x10, 0x13), Rgb8(0xff, 0xa0, 0x90), Rgb8(0xd4, 0x12, 0x0a),
            Rgb8(0xa8, 0xff, 0xb4), Rgb8(0x0c, 0xa0, 0x3c), Rgb8(255, 255, 255, 0.65f),
            Rgb8(0x3c, 0x43, 0x4c), Rgb8(0xe4, 0xe9, 0xee), Rgb8(0xb4, 0xbd, 0xc7),
            Rgb8(0x6a, 0x75, 0x81), Rgb8(0x86, 0x90, 0x9b), Rgb8(0xf6, 0xc3, 0x00),
            Rgb8(0x26, 0x29, 0x2e), Rgb8(0, 0, 0, 0.28f),   true};
}

// Only the colours of the standard 16-colour palette, and no shading.
Style SixteenColour() {
    const Colour black = Rgb8(0, 0, 0);
    const Colour grey = Rgb8(128, 128, 128);
    const Colour silver = Rgb8(192, 192, 192);
    const Colour white = Rgb8(255, 255, 255);
    return {grey,
            black,
            black,
            black,
            Rgb8(255, 0, 0),
            Rgb8(255, 0, 0),
            Rgb8(0, 255, 0),
            Rgb8(0, 255, 0),
            white,
            grey,
            white,
            silver,
            grey,
            grey,
            Rgb8(255, 255, 0),
            black,
            Rgb8(0, 0, 0, 0),
            false};
}

Paint Vertical(Colour top, Colour bottom, float y0, float y1, bool shading) {
    return shading ? Linear(top, bottom, 0, y0, 0, y1) : Flat(top);
}

// Diagonal bands of `period` pixels, half of them inside.
Shape Stripes(Shape band, float period) {
    Shape stripes{band.left, band.top, band.right, band.bottom, [period](float x, float y) {
                      return std::fmod(x + y + 4 * period, period) < period / 2;
                  }};
    return Intersect(band, stripes);
}

void Lamp(Canvas& canvas, const Style& s, float cx, float cy, float r, Colour core, Colour edge) {
    canvas.Fill(
        Circle(cx, cy, r),
        s.shading ? Radial(core, edge, cx - r * 0.3f, cy - r * 0.35f, r * 1.25f) : Flat(core));
}

void Highlight(Canvas& canvas, const Style& s, float cx, float cy, float r) {
    canvas.Fill(Ellipse(cx - r * 0.35f, cy - r * 0.45f, r * 0.38f, r * 0.25f), Flat(s.highlight));
}

// Sizes 16, 24 and 32, designed on whole pixels: a housing with a one-pixel rim, two round
// lamps, a short pole and a flat deck; stripes and highlights only where there is room.
struct PixelLayout {
    int size;
    float housing_left, housing_right, housing_bottom, corner;
    float lamp_radius, red_y, green_y;
    float pole_half_width;
    float deck_top, deck_bottom;
};

constexpr PixelLayout kPixelLayouts[] = {
    {16, 4, 12, 11, 2.0f, 2.0f, 3, 8, 1, 12, 15},
    {24, 6, 18, 17, 2.5f, 3.0f, 5, 12, 1, 19, 23},
    {32, 8, 24, 23, 3.0f, 4.0f, 6, 16, 2, 26, 31},
};

void DrawPixelLayout(Canvas& canvas, const Style& s, const PixelLayout& l) {
    const float size = static_cast<float>(l.size);
    const float mid = size / 2;
    canvas.Fill(RoundRect(0, l.deck_top, size, l.deck_bottom, 0),
                Vertical(s.deck_upper, s.deck_lower, l.deck_top, l.deck_bottom, s.shading));
    canvas.Fill(RoundRect(0, l.deck_top, size, l.deck_top + 1, 0), Flat(s.deck_top));
    if (l.size >= 32) {
        const Shape band = RoundRect(2, l.deck_top + 2, size - 2, l.deck_bottom - 1, 0);
        canvas.Fill(band, Flat(s.stripe_dark));
        canvas.Fill(Stripes(band, 6), Flat(s.stripe_light));
    }
    canvas.Fill(RoundRect(mid - l.pole_half_width, l.housing_bottom - 1, mid + l.pole_half_width,
                          l.deck_top, 0),
                Flat(s.pole));
    canvas.Fill(RoundRect(l.housing_left, 0, l.housing_right, l.housing_bottom, l.corner),
                Flat(s.rim));
    canvas.Fill(
        RoundRect(l.housing_left + 1, 1, l.housing_right - 1, l.housing_bottom - 1, l.corner - 1),
        Vertical(s.body_top, s.body_bottom, 1, l.housing_bottom - 1, s.shading));
    Lamp(canvas, s, mid, l.red_y, l.lamp_radius, s.red_core, s.red_edge);
    Lamp(canvas, s, mid, l.green_y, l.lamp_radius, s.green_core, s.green_edge);
    if (s.shading || l.size >= 32) {
        Highlight(canvas, s, mid, l.red_y, l.lamp_radius);
        Highlight(canvas, s, mid, l.green_y, l.lamp_radius);
    }
}

// Sizes from 48 up: the full drawing on a 256-unit grid, scaled.
void DrawScaled(Canvas& canvas, const Style& s) {
    const float k = canvas.Size() / 256.0f;
    auto rect = [k](float l, float t, float r, float b, float radius) {
        return RoundRect(l * k, t * k, r * k, b * k, radius * k);
    };
    if (s.shading) canvas.Fill(Ellipse(128 * k, 232 * k, 124 * k, 10 * k), Flat(s.shadow));

    // The deck: ramps at both ends, a bright top plate, a striped front.
    canvas.Fill(Polygon({{4 * k, 230 * k}, {30 * k, 200 * k}, {30 * k, 230 * k}}), Flat(s.ramp));
    canvas.Fill(Polygon({{252 * k, 230 * k}, {226 * k, 200 * k}, {226 * k, 230 * k}}),
                Flat(s.ramp));
    canvas.Fill(rect(24, 192, 232, 232, 4),
                Vertical(s.deck_upper, s.deck_lower, 192 * k, 232 * k, s.shading));
    canvas.Fill(rect(24, 192, 232, 202, 4), Flat(s.deck_top));
    canvas.Fill(rect(36, 209, 220, 225, 2), Flat(s.stripe_dark));
    canvas.Fill(Stripes(rect(36, 209, 220, 225, 2), 28 * k), Flat(s.stripe_light));

    // The pole and its foot.
    canvas.Fill(rect(100, 182, 156, 194, 3), Flat(s.pole));
    canvas.Fill(rect(116, 150, 140, 186, 0),
                s.shading ? Linear(s.rim, s.body_bottom, 116 * k, 0, 140 * k, 0) : Flat(s.pole));

    // The housing: a lighter rim, a dark body, a dark socket behind each lamp.
    canvas.Fill(rect(70, 4, 186, 160, 28), Flat(s.rim));
    canvas.Fill(rect(78, 12, 178, 152, 21),
                Vertical(s.body_top, s.body_bottom, 12 * k, 152 * k, s.shading));
    constexpr float kRedY = 48, kGreenY = 116, kSocket = 36, kLamp = 29;
    canvas.Fill(Circle(128 * k, kRedY * k, kSocket * k), Flat(s.socket));
    canvas.Fill(Circle(128 * k, kGreenY * k, kSocket * k), Flat(s.socket));
    Lamp(canvas, s, 128 * k, kRedY * k, kLamp * k, s.red_core, s.red_edge);
    Lamp(canvas, s, 128 * k, kGreenY * k, kLamp * k, s.green_core, s.green_edge);
    Highlight(canvas, s, 128 * k, kRedY * k, kLamp * k);
    Highlight(canvas, s, 128 * k, kGreenY * k, kLamp * k);
}

}  // namespace

Image DrawIcon(int size, bool full_colour) {
    const Style style = full_colour ? FullColour() : SixteenColour();
    Canvas canvas(size, full_colour ? 8 : 1);
    bool drawn = false;
    for (const PixelLayout& layout : kPixelLayouts) {
        if (layout.size == size) {
            DrawPixelLayout(canvas, style, layout);
            drawn = true;
        }
    }
    if (!drawn) DrawScaled(canvas, style);
    return canvas.ToImage();
}

}  // namespace icon
