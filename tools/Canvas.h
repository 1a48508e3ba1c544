#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace Content {

// A colour with straight (not premultiplied) alpha, every channel 0 to 1.
struct Colour {
    float r = 0, g = 0, b = 0, a = 1;
};

Colour mix(const Colour& from, const Colour& to, float t);

// A signed distance in pixels from a point to a shape's edge: negative inside.
using Shape = std::function<float(float x, float y)>;
// The colour of a shape at a point.
using Paint = std::function<Colour(float x, float y)>;

Shape circle(float cx, float cy, float radius);
Shape ellipse(float cx, float cy, float rx, float ry);
// A box of half sizes hx, hy with corners rounded by radius.
Shape roundBox(float cx, float cy, float hx, float hy, float radius);
// A stroke of the given half width from (x0, y0) to (x1, y1), round ends.
Shape segment(float x0, float y0, float x1, float y1, float halfWidth);
Shape unite(Shape a, Shape b);
Shape subtract(Shape a, Shape b);
Shape grow(Shape shape, float by);

Paint flat(const Colour& colour);
// From top colour at row y0 to bottom colour at row y1.
Paint vertical(const Colour& top, const Colour& bottom, float y0, float y1);

// A picture being drawn: every operation composites over what is there, edges anti-aliased
// by the distance of the pixel centre to the shape.
class Canvas {
public:
    Canvas(int width, int height);

    int width() const { return w; }
    int height() const { return h; }
    Colour& at(int x, int y) { return pixels[size_t(y) * w + x]; }
    const Colour& at(int x, int y) const { return pixels[size_t(y) * w + x]; }

    void fill(const Shape& shape, const Paint& paint);
    // The same, looking only at the pixels of the rectangle [x0, x1) x [y0, y1).
    void fill(const Shape& shape, const Paint& paint, int x0, int y0, int x1, int y1);
    // The shape with a dark rim of the given width around it.
    void fillOutlined(const Shape& shape, const Paint& paint, const Colour& rim, float rimWidth);
    // Every pixel replaced by what generate gives for its centre.
    void generate(const Paint& paint);
    // Composites one colour over a pixel.
    void blend(int x, int y, const Colour& colour);

    // Text in the pixel font, each font pixel a square of scale pixels, the top-left corner
    // of the first glyph at (x, y); glyphs advance by 5 font pixels.
    void text(const std::string& line, float x, float y, float scale, const Paint& paint);
    static float textWidth(const std::string& line, float scale);

    // The picture as a PNG file (8-bit RGBA).
    std::vector<uint8_t> png() const;

private:
    int w, h;
    std::vector<Colour> pixels;
};

} // namespace Content
