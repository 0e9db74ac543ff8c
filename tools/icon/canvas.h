#pragma once

#include <functional>
#include <vector>

#include "image.h"

namespace icon {

// A colour with straight alpha, each channel 0 to 1.
struct Colour {
    float r = 0, g = 0, b = 0, a = 1;
};
Colour Rgb8(int r, int g, int b, float a = 1.0f);

// A region of the plane, in pixels (the pixel (x, y) covers [x, x+1) x [y, y+1)).
struct Shape {
    float left = 0, top = 0, right = 0, bottom = 0;  // bounds outside which nothing is inside
    std::function<bool(float x, float y)> inside;
};

Shape Circle(float cx, float cy, float radius);
Shape Ellipse(float cx, float cy, float rx, float ry);
Shape RoundRect(float left, float top, float right, float bottom, float radius);
Shape Polygon(std::vector<std::pair<float, float>> points);  // even-odd rule
Shape Intersect(Shape a, Shape b);
Shape Subtract(Shape a, Shape b);

// How a shape is coloured at a point: a flat colour, a linear gradient from (x0, y0) to
// (x1, y1), or a radial one around (x0, y0) out to radius x1.
struct Paint {
    enum class Kind { kFlat, kLinear, kRadial } kind = Kind::kFlat;
    Colour from, to;
    float x0 = 0, y0 = 0, x1 = 0, y1 = 0;

    Colour At(float x, float y) const;
};
Paint Flat(Colour c);
Paint Linear(Colour from, Colour to, float x0, float y0, float x1, float y1);
Paint Radial(Colour from, Colour to, float cx, float cy, float radius);

// Paints shapes one over another. With `samples` > 1 each pixel takes samples x samples
// points and is covered by the share inside the shape (anti-aliased); with 1 the pixel's
// centre alone decides, giving the hard edges palette images need.
class Canvas {
  public:
    Canvas(int size, int samples);

    void Fill(const Shape& shape, const Paint& paint);
    Image ToImage() const;
    int Size() const { return size_; }

  private:
    int size_;
    int samples_;
    std::vector<float> premultiplied_;  // RGBA per pixel, colour multiplied by alpha
};

}  // namespace icon
