#include "canvas.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace icon {

Colour Rgb8(int r, int g, int b, float a) {
    return {r / 255.0f, g / 255.0f, b / 255.0f, a};
}

Shape Circle(float cx, float cy, float radius) {
    return Ellipse(cx, cy, radius, radius);
}

Shape Ellipse(float cx, float cy, float rx, float ry) {
    return {cx - rx, cy - ry, cx + rx, cy + ry, [=](float x, float y) {
                const float dx = (x - cx) / rx;
                const float dy = (y - cy) / ry;
                return dx * dx + dy * dy <= 1.0f;
            }};
}

Shape RoundRect(float left, float top, float right, float bottom, float radius) {
    return {left, top, right, bottom, [=](float x, float y) {
                if (x < left || x > right || y < top || y > bottom) return false;
                // Distance past the inner rectangle whose corners are the arcs' centres.
                const float dx = std::max({left + radius - x, x - (right - radius), 0.0f});
                const float dy = std::max({top + radius - y, y - (bottom - radius), 0.0f});
                return dx * dx + dy * dy <= radius * radius;
            }};
}

Shape Polygon(std::vector<std::pair<float, float>> points) {
    Shape shape;
    shape.left = shape.right = points.front().first;
    shape.top = shape.bottom = points.front().second;
    for (const auto& [x, y] : points) {
        shape.left = std::min(shape.left, x);
        shape.right = std::max(shape.right, x);
        shape.top = std::min(shape.top, y);
        shape.bottom = std::max(shape.bottom, y);
    }
    shape.inside = [points = std::move(points)](float x, float y) {
        bool in = false;
        for (std::size_t i = 0, j = points.size() - 1; i < points.size(); j = i++) {
            const auto [xi, yi] = points[i];
            const auto [xj, yj] = points[j];
            if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi) in = !in;
        }
        return in;
    };
    return shape;
}

Shape Intersect(Shape a, Shape b) {
    return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
            std::min(a.bottom, b.bottom),
            [a = a.inside, b = b.inside](float x, float y) { return a(x, y) && b(x, y); }};
}

Shape Subtract(Shape a, Shape b) {
    return {a.left, a.top, a.right, a.bottom,
            [a = a.inside, b = b.inside](float x, float y) { return a(x, y) && !b(x, y); }};
}

Colour Paint::At(float x, float y) const {
    float t = 0;
    if (kind == Kind::kLinear) {
        const float dx = x1 - x0;
        const float dy = y1 - y0;
        t = ((x - x0) * dx + (y - y0) * dy) / (dx * dx + dy * dy);
    } else if (kind == Kind::kRadial) {
        t = std::hypot(x - x0, y - y0) / x1;
    } else {
        return from;
    }
    t = std::clamp(t, 0.0f, 1.0f);
    return {from.r + (to.r - from.r) * t, from.g + (to.g - from.g) * t,
            from.b + (to.b - from.b) * t, from.a + (to.a - from.a) * t};
}

Paint Flat(Colour c) {
    return {Paint::Kind::kFlat, c, c};
}
Paint Linear(Colour from, Colour to, float x0, float y0, float x1, float y1) {
    return {Paint::Kind::kLinear, from, to, x0, y0, x1, y1};
}
Paint Radial(Colour from, Colour to, float cx, float cy, float radius) {
    return {Paint::Kind::kRadial, from, to, cx, cy, radius, 0};
}

Canvas::Canvas(int size, int samples)
    : size_(size),
      samples_(samples),
      premultiplied_(static_cast<std::size_t>(size) * size * 4, 0.0f) {}

void Canvas::Fill(const Shape& shape, const Paint& paint) {
    const int x0 = std::max(0, static_cast<int>(std::floor(shape.left)));
    const int y0 = std::max(0, static_cast<int>(std::floor(shape.top)));
    const int x1 = std::min(size_, static_cast<int>(std::ceil(shape.right)) + 1);
    const int y1 = std::min(size_, static_cast<int>(std::ceil(shape.bottom)) + 1);
    const float step = 1.0f / samples_;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            int hits = 0;
            for (int sy = 0; sy < samples_; ++sy) {
                for (int sx = 0; sx < samples_; ++sx) {
                    if (shape.inside(x + (sx + 0.5f) * step, y + (sy + 0.5f) * step)) ++hits;
                }
            }
            if (hits == 0) continue;
            const float coverage = static_cast<float>(hits) / (samples_ * samples_);
            const Colour c = paint.At(x + 0.5f, y + 0.5f);
            const float alpha = c.a * coverage;
            float* p = &premultiplied_[(static_cast<std::size_t>(y) * size_ + x) * 4];
            p[0] = c.r * alpha + p[0] * (1 - alpha);
            p[1] = c.g * alpha + p[1] * (1 - alpha);
            p[2] = c.b * alpha + p[2] * (1 - alpha);
            p[3] = alpha + p[3] * (1 - alpha);
        }
    }
}

Image Canvas::ToImage() const {
    Image image(size_, size_);
    for (std::size_t i = 0; i < premultiplied_.size(); i += 4) {
        const float a = premultiplied_[i + 3];
        auto byte = [](float v) {
            return static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f));
        };
        if (a > 0) {
            for (int c = 0; c < 3; ++c) image.rgba[i + c] = byte(premultiplied_[i + c] / a);
        }
        image.rgba[i + 3] = byte(a);
    }
    return image;
}

}  // namespace icon
