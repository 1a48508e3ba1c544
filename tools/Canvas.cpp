#include "tools/Canvas.h"

#include "tools/PixelFont.h"
#include "vx/ImageObject.h"
#include "vx/PngCodec.h"

#include <algorithm>
#include <cmath>
#include <memory>

namespace Content {

namespace {

float clamp01(float v) {
    return std::min(1.0f, std::max(0.0f, v));
}

} // namespace

Colour mix(const Colour& from, const Colour& to, float t) {
    return {from.r + (to.r - from.r) * t, from.g + (to.g - from.g) * t,
            from.b + (to.b - from.b) * t, from.a + (to.a - from.a) * t};
}

Shape circle(float cx, float cy, float radius) {
    return [=](float x, float y) { return std::hypot(x - cx, y - cy) - radius; };
}

Shape ellipse(float cx, float cy, float rx, float ry) {
    // Scaled circle distance, corrected by the gradient so edges stay one pixel soft.
    return [=](float x, float y) {
        const float u = (x - cx) / rx, v = (y - cy) / ry;
        const float k = std::hypot(u, v);
        const float gradient = std::hypot(u / rx, v / ry);
        return k < 1e-6f ? -std::min(rx, ry) : (k - 1) * k / std::max(gradient, 1e-6f);
    };
}

Shape roundBox(float cx, float cy, float hx, float hy, float radius) {
    return [=](float x, float y) {
        const float qx = std::fabs(x - cx) - hx + radius;
        const float qy = std::fabs(y - cy) - hy + radius;
        const float outside = std::hypot(std::max(qx, 0.0f), std::max(qy, 0.0f));
        return outside + std::min(std::max(qx, qy), 0.0f) - radius;
    };
}

Shape segment(float x0, float y0, float x1, float y1, float halfWidth) {
    return [=](float x, float y) {
        const float dx = x1 - x0, dy = y1 - y0;
        const float length2 = dx * dx + dy * dy;
        const float t = length2 > 0 ? clamp01(((x - x0) * dx + (y - y0) * dy) / length2) : 0;
        return std::hypot(x - x0 - t * dx, y - y0 - t * dy) - halfWidth;
    };
}

Shape unite(Shape a, Shape b) {
    return [=](float x, float y) { return std::min(a(x, y), b(x, y)); };
}

Shape subtract(Shape a, Shape b) {
    return [=](float x, float y) { return std::max(a(x, y), -b(x, y)); };
}

Shape grow(Shape shape, float by) {
    return [=](float x, float y) { return shape(x, y) - by; };
}

Paint flat(const Colour& colour) {
    return [=](float, float) { return colour; };
}

Paint vertical(const Colour& top, const Colour& bottom, float y0, float y1) {
    return [=](float, float y) { return mix(top, bottom, clamp01((y - y0) / (y1 - y0))); };
}

Canvas::Canvas(int width, int height)
    : w(width), h(height), pixels(size_t(width) * height, Colour{0, 0, 0, 0}) {
}

void Canvas::blend(int x, int y, const Colour& colour) {
    if (x < 0 || y < 0 || x >= w || y >= h || colour.a <= 0)
        return;
    Colour& d = at(x, y);
    const float a = colour.a + d.a * (1 - colour.a);
    if (a <= 0)
        return;
    const float keep = d.a * (1 - colour.a);
    d = {(colour.r * colour.a + d.r * keep) / a, (colour.g * colour.a + d.g * keep) / a,
         (colour.b * colour.a + d.b * keep) / a, a};
}

void Canvas::fill(const Shape& shape, const Paint& paint) {
    fill(shape, paint, 0, 0, w, h);
}

void Canvas::fill(const Shape& shape, const Paint& paint, int x0, int y0, int x1, int y1) {
    for (int y = std::max(y0, 0); y < std::min(y1, h); ++y) {
        for (int x = std::max(x0, 0); x < std::min(x1, w); ++x) {
            const float cx = x + 0.5f, cy = y + 0.5f;
            const float coverage = clamp01(0.5f - shape(cx, cy));
            if (coverage <= 0)
                continue;
            Colour c = paint(cx, cy);
            c.a *= coverage;
            blend(x, y, c);
        }
    }
}

void Canvas::fillOutlined(const Shape& shape, const Paint& paint, const Colour& rim,
                          float rimWidth) {
    fill(grow(shape, rimWidth), flat(rim));
    fill(shape, paint);
}

void Canvas::generate(const Paint& paint) {
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            at(x, y) = paint(x + 0.5f, y + 0.5f);
}

void Canvas::text(const std::string& line, float x, float y, float scale, const Paint& paint) {
    for (size_t i = 0; i < line.size(); ++i) {
        const float left = x + i * (PixelFont::COLUMNS + 1) * scale;
        for (int row = 0; row < PixelFont::ROWS; ++row) {
            for (int column = 0; column < PixelFont::COLUMNS; ++column) {
                if (!PixelFont::inked(line[i], column, row))
                    continue;
                const float px = left + column * scale, py = y + row * scale;
                fill(roundBox(px + scale / 2, py + scale / 2, scale / 2, scale / 2, scale * 0.2f),
                     paint, int(px) - 1, int(py) - 1, int(px + scale) + 2, int(py + scale) + 2);
            }
        }
    }
}

float Canvas::textWidth(const std::string& line, float scale) {
    return line.empty() ? 0 : (line.size() * (PixelFont::COLUMNS + 1) - 1) * scale;
}

std::vector<uint8_t> Canvas::png() const {
    auto data = std::make_unique<uint8_t[]>(size_t(w) * h * 4);
    for (size_t i = 0; i < pixels.size(); ++i) {
        const Colour& c = pixels[i];
        const auto byte = [](float v) { return uint8_t(std::lround(clamp01(v) * 255)); };
        data[i * 4 + 0] = byte(c.b);
        data[i * 4 + 1] = byte(c.g);
        data[i * 4 + 2] = byte(c.r);
        data[i * 4 + 3] = byte(c.a);
    }
    Vx::ImageObject image(w, h, std::move(data), nullptr, "picture");
    std::vector<uint8_t> file;
    Vx::PngCodec().encode(file, image);
    return file;
}

} // namespace Content
