#include "tools/Pictures.h"

#include "tools/PixelFont.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace Content {
namespace Pictures {

namespace {

const Colour INK{0.08f, 0.04f, 0.1f, 1};

float clamp01(float v) {
    return std::min(1.0f, std::max(0.0f, v));
}

float smoothstep(float e0, float e1, float v) {
    const float t = clamp01((v - e0) / (e1 - e0));
    return t * t * (3 - 2 * t);
}

// A fixed hash of a lattice point to 0..1: the same picture on every run.
float lattice(int x, int y, uint32_t seed) {
    uint32_t h = uint32_t(x) * 374761393u + uint32_t(y) * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return float((h ^ (h >> 16)) & 0xffffff) / float(0xffffff);
}

float valueNoise(float x, float y, uint32_t seed) {
    const int ix = int(std::floor(x)), iy = int(std::floor(y));
    const float fx = smoothstep(0, 1, x - ix), fy = smoothstep(0, 1, y - iy);
    const float top = lattice(ix, iy, seed) * (1 - fx) + lattice(ix + 1, iy, seed) * fx;
    const float bottom = lattice(ix, iy + 1, seed) * (1 - fx) + lattice(ix + 1, iy + 1, seed) * fx;
    return top * (1 - fy) + bottom * fy;
}

// Four octaves of value noise, 0..1.
float clouds(float x, float y, uint32_t seed) {
    float sum = 0, amplitude = 0.5f;
    for (int octave = 0; octave < 4; ++octave) {
        sum += valueNoise(x, y, seed + octave) * amplitude;
        x *= 2.03f;
        y *= 2.03f;
        amplitude *= 0.5f;
    }
    return sum / 0.9375f;
}

// Bilinear read of a canvas, transparent outside it.
Colour sample(const Canvas& source, float x, float y) {
    x -= 0.5f;
    y -= 0.5f;
    const int ix = int(std::floor(x)), iy = int(std::floor(y));
    const float fx = x - ix, fy = y - iy;
    const auto read = [&](int px, int py) {
        if (px < 0 || py < 0 || px >= source.width() || py >= source.height())
            return Colour{0, 0, 0, 0};
        return source.at(px, py);
    };
    return mix(mix(read(ix, iy), read(ix + 1, iy), fx),
               mix(read(ix, iy + 1), read(ix + 1, iy + 1), fx), fy);
}

// Lettering with a drop shadow, centred on cx.
void shadowedText(Canvas& canvas, const std::string& line, float cx, float y, float scale,
                  const Paint& paint) {
    const float x = cx - Canvas::textWidth(line, scale) / 2;
    canvas.text(line, x + scale * 0.6f, y + scale * 0.6f, scale, flat({0, 0, 0, 0.7f}));
    canvas.text(line, x, y, scale, paint);
}

} // namespace

Canvas cool() {
    Canvas c(256, 256);
    const Colour skin{1.0f, 0.82f, 0.62f, 1}, shade{0.88f, 0.58f, 0.42f, 1};
    c.fillOutlined(roundBox(128, 250, 96, 34, 30),
                   vertical({0.1f, 0.75f, 0.75f, 1}, {0.02f, 0.35f, 0.45f, 1}, 216, 256), INK, 4);
    c.fillOutlined(roundBox(128, 214, 24, 20, 8), flat(shade), INK, 4);
    c.fillOutlined(circle(60, 146, 15), flat(shade), INK, 4);
    c.fillOutlined(circle(196, 146, 15), flat(shade), INK, 4);
    c.fillOutlined(ellipse(128, 140, 68, 78), vertical(skin, shade, 90, 218), INK, 4);

    // A quiff: the top of a wide ellipse plus three swept spikes.
    const Shape cap = [](float x, float y) {
        return std::max(ellipse(128, 92, 74, 44)(x, y), y - 100);
    };
    Shape hair = cap;
    hair = unite(hair, segment(92, 70, 150, 18, 14));
    hair = unite(hair, segment(120, 66, 186, 28, 12));
    hair = unite(hair, segment(150, 70, 206, 52, 10));
    c.fillOutlined(hair, vertical({0.35f, 0.2f, 0.6f, 1}, {0.12f, 0.05f, 0.3f, 1}, 14, 100), INK,
                   4);
    c.fill(segment(104, 58, 146, 30, 3), flat({0.7f, 0.6f, 1, 0.6f}));

    // Sunglasses with a glint on each lens.
    const Paint lens = vertical({0.05f, 0.05f, 0.15f, 1}, {0.2f, 0.1f, 0.45f, 1}, 118, 152);
    c.fill(segment(62, 128, 194, 128, 3), flat(INK));
    c.fillOutlined(roundBox(98, 136, 27, 16, 8), lens, INK, 3);
    c.fillOutlined(roundBox(158, 136, 27, 16, 8), lens, INK, 3);
    c.fill(segment(82, 144, 96, 126, 3), flat({1, 1, 1, 0.55f}));
    c.fill(segment(142, 144, 156, 126, 3), flat({1, 1, 1, 0.55f}));

    // A one-sided grin.
    const Shape grin = subtract(circle(136, 164, 30), circle(130, 150, 32));
    c.fillOutlined(grin, flat({0.7f, 0.12f, 0.15f, 1}), INK, 2);
    c.fill(ellipse(86, 170, 12, 7), flat({1, 0.45f, 0.45f, 0.35f}));
    c.fill(ellipse(172, 170, 12, 7), flat({1, 0.45f, 0.45f, 0.35f}));
    return c;
}

Canvas boner() {
    Canvas c(256, 256);
    Shape bone = roundBox(128, 128, 30, 84, 24);
    for (float x : {104.0f, 152.0f})
        for (float y : {46.0f, 210.0f})
            bone = unite(bone, circle(x, y, 28));
    // Arms first, so the bone covers where they join.
    c.fill(segment(100, 140, 50, 110, 5), flat(INK));
    c.fill(segment(50, 110, 36, 78, 5), flat(INK));
    c.fill(segment(156, 140, 208, 160, 5), flat(INK));
    c.fill(segment(208, 160, 226, 128, 5), flat(INK));
    c.fillOutlined(circle(36, 72, 10), flat({1, 0.96f, 0.86f, 1}), INK, 3);
    c.fillOutlined(circle(228, 122, 10), flat({1, 0.96f, 0.86f, 1}), INK, 3);
    c.fillOutlined(bone, vertical({1, 0.97f, 0.88f, 1}, {0.85f, 0.78f, 0.62f, 1}, 20, 236), INK, 4);
    c.fill(segment(112, 70, 112, 186, 4), flat({1, 1, 1, 0.5f}));

    for (float x : {114.0f, 142.0f}) {
        c.fillOutlined(ellipse(x, 108, 11, 14), flat({1, 1, 1, 1}), INK, 2);
        c.fill(circle(x + 3, 111, 5), flat(INK));
        c.fill(circle(x + 5, 108, 1.6f), flat({1, 1, 1, 1}));
    }
    c.fill(ellipse(106, 134, 8, 5), flat({1, 0.4f, 0.5f, 0.4f}));
    c.fill(ellipse(150, 134, 8, 5), flat({1, 0.4f, 0.5f, 0.4f}));
    c.fillOutlined(roundBox(128, 148, 18, 9, 8), flat({0.45f, 0.05f, 0.1f, 1}), INK, 2);
    c.fill(roundBox(128, 143, 14, 3, 1), flat({1, 1, 1, 1}));
    return c;
}

Canvas bonerTwist() {
    const Canvas straight = boner();
    Canvas c(256, 256);
    // A whirl: the nearer the centre, the further a point turns.
    c.generate([&](float x, float y) {
        const float dx = x - 128, dy = y - 128;
        const float r = std::hypot(dx, dy) / 128;
        const float turn = 2.6f * (1 - smoothstep(0, 1, r)) * (1 - smoothstep(0, 1, r));
        const float s = std::sin(turn), k = std::cos(turn);
        return sample(straight, 128 + dx * k - dy * s, 128 + dx * s + dy * k);
    });
    return c;
}

Canvas scroller() {
    Canvas c(512, 512);
    c.fill(roundBox(256, 256, 256, 52, 0),
           vertical({0.02f, 0.02f, 0.2f, 0.85f}, {0.1f, 0.02f, 0.25f, 0.85f}, 204, 308));
    const Paint copper = [](float, float y) {
        const float t = std::fabs(std::fmod(y, 10.0f) - 5) / 5;
        return mix(Colour{1, 0.9f, 0.4f, 1}, Colour{0.8f, 0.3f, 0.05f, 1}, t);
    };
    c.fill(roundBox(256, 200, 256, 5, 0), copper);
    c.fill(roundBox(256, 312, 256, 5, 0), copper);
    const Paint gold = vertical({1, 1, 0.6f, 1}, {1, 0.35f, 0.1f, 1}, 232, 280);
    shadowedText(c, "greetings all!", 256, 232, 6, gold);
    return c;
}

Canvas star() {
    Canvas c(128, 128);
    c.generate([](float x, float y) {
        const float dx = (x - 64) / 64, dy = (y - 64) / 64;
        const float r = std::hypot(dx, dy);
        const float glow = std::exp(-r * r * 9);
        const float cross = std::exp(-std::fabs(dy) * 40) * (1 - std::fabs(dx)) +
                            std::exp(-std::fabs(dx) * 40) * (1 - std::fabs(dy));
        const float u = (dx + dy) * 0.7071f, v = (dx - dy) * 0.7071f;
        const float diagonal = 0.5f * (std::exp(-std::fabs(v) * 50) * (1 - std::fabs(u) * 1.4f) +
                                       std::exp(-std::fabs(u) * 50) * (1 - std::fabs(v) * 1.4f));
        const float a =
            clamp01(glow + cross + std::max(diagonal, 0.0f)) * (1 - smoothstep(0.8f, 1, r));
        const Colour tint =
            mix(Colour{1, 1, 1, 1}, Colour{0.6f, 0.8f, 1, 1}, smoothstep(0, 0.6f, r));
        return Colour{tint.r, tint.g, tint.b, a};
    });
    return c;
}

Canvas brallor() {
    constexpr float HORIZON = 300;
    Canvas c(512, 512);
    c.generate(vertical({0.12f, 0.02f, 0.25f, 1}, {1, 0.35f, 0.45f, 1}, 0, HORIZON));
    // Faint stars high in the sky.
    for (int i = 0; i < 60; ++i) {
        const float x = lattice(i, 1, 7) * 512, y = lattice(i, 2, 7) * 160;
        c.fill(circle(x, y, 0.6f + lattice(i, 3, 7)),
               flat({1, 1, 1, 0.3f + 0.5f * lattice(i, 4, 7)}), int(x) - 3, int(y) - 3, int(x) + 4,
               int(y) + 4);
    }
    // The sun, cut by ever wider gaps towards the horizon.
    const Shape gaps = [](float, float y) {
        if (y < 220)
            return 100.0f;
        const float band = std::fmod(y - 220, 16.0f);
        const float half = 1 + (y - 220) / 22;
        return std::fabs(band - 8) - half;
    };
    c.fill(subtract(circle(256, 230, 110), gaps),
           vertical({1, 0.95f, 0.35f, 1}, {1, 0.2f, 0.55f, 1}, 120, 300));
    // Hills: a ridge line of two sine waves.
    const Shape hills = [](float x, float y) {
        const float ridge =
            HORIZON - 34 - 22 * std::sin(x * 0.021f) - 12 * std::sin(x * 0.057f + 1);
        return ridge - y;
    };
    c.fill(hills, vertical({0.25f, 0.05f, 0.35f, 1}, {0.1f, 0.02f, 0.18f, 1}, 240, HORIZON));
    // The floor and its grid running to the vanishing point on the horizon.
    c.fill([](float, float y) { return HORIZON - y; },
           [](float x, float y) {
               const float depth = (y - HORIZON) / (512 - HORIZON); // 0 far, 1 near
               const float z = 1 / std::max(depth, 0.02f);
               const float across = (x - 256) / 256 * z * 4;
               const float lineWidth = 0.04f * z;
               const float rowLine = std::fabs(std::fmod(z * 2.0f, 1.0f) - 0.5f);
               const float columnLine = std::fabs(std::fmod(std::fabs(across), 1.0f) - 0.5f);
               const float line = std::max(smoothstep(0.5f - lineWidth * 2, 0.5f, rowLine),
                                           smoothstep(0.5f - 0.06f, 0.5f, columnLine));
               const Colour ground =
                   mix(Colour{0.15f, 0.02f, 0.25f, 1}, Colour{0.03f, 0, 0.08f, 1}, depth);
               return mix(ground, Colour{1, 0.3f, 0.9f, 1}, line * (0.4f + 0.6f * depth));
           });
    c.fill(roundBox(256, HORIZON, 256, 1.5f, 0), flat({1, 0.6f, 0.9f, 0.9f}));
    return c;
}

Canvas universe() {
    Canvas c(512, 512);
    c.generate([](float x, float y) {
        const float n = clouds(x / 96, y / 96, 11);
        const float m = clouds(x / 64 + 7, y / 64 + 3, 23);
        const float nebula = smoothstep(0.45f, 0.85f, n);
        Colour sky = mix(Colour{0.01f, 0.01f, 0.05f, 1}, Colour{0.45f, 0.1f, 0.55f, 1}, nebula);
        return mix(sky, Colour{0.1f, 0.55f, 0.65f, 1}, smoothstep(0.55f, 0.9f, m) * 0.7f);
    });
    for (int i = 0; i < 260; ++i) {
        const float x = lattice(i, 0, 5) * 512, y = lattice(i, 1, 5) * 512;
        const float size = 0.4f + 1.4f * std::pow(lattice(i, 2, 5), 4.0f);
        c.fill(circle(x, y, size * 2.5f), flat({0.7f, 0.8f, 1, 0.15f}), int(x) - 6, int(y) - 6,
               int(x) + 7, int(y) + 7);
        c.fill(circle(x, y, size), flat({1, 1, 1, 0.9f}), int(x) - 3, int(y) - 3, int(x) + 4,
               int(y) + 4);
    }
    // A ringed planet: the ring's far half behind it, the near half in front.
    const Shape ring = subtract(ellipse(360, 340, 140, 30), ellipse(360, 340, 104, 19));
    const Paint ringPaint = [](float x, float) {
        const float bands = 0.6f + 0.4f * std::sin(x * 0.35f);
        return Colour{0.9f * bands, 0.8f * bands, 0.6f * bands, 0.85f};
    };
    const auto half = [&](bool near) {
        return Shape(
            [=](float x, float y) { return std::max(ring(x, y), near ? 340 - y : y - 340); });
    };
    c.fill(half(false), ringPaint);
    c.fill(circle(360, 340, 74), [](float x, float y) {
        const float light = clamp01(1.1f - std::hypot(x - 330, y - 310) / 110);
        const float stripes = 0.85f + 0.15f * std::sin(y * 0.25f + std::sin(x * 0.05f) * 2);
        return Colour{(0.15f + 0.85f * light) * stripes, (0.25f + 0.5f * light) * stripes,
                      (0.5f + 0.3f * light) * stripes, 1};
    });
    c.fill(half(true), ringPaint);
    return c;
}

Canvas logo() {
    const std::string name = "MARQUEL";
    Canvas c(160, 26);
    c.fill(roundBox(80, 13, 79, 12, 6),
           vertical({0.2f, 0.2f, 0.35f, 1}, {0.05f, 0.05f, 0.1f, 1}, 1, 25));
    c.fill(subtract(roundBox(80, 13, 79, 12, 6), roundBox(80, 13, 78, 11, 5)),
           flat({0.9f, 0.75f, 0.3f, 1}));
    shadowedText(c, name, 80, 2, 2.5f, vertical({1, 0.95f, 0.6f, 1}, {1, 0.5f, 0.1f, 1}, 2, 20));
    return c;
}

const std::string STRIP_ORDER = "abcdefghijklmnopqrstuvwxyz0123456789!?@:;.,()><-+*/\\";

Canvas fontStrip() {
    constexpr int CELL = 5;
    Canvas c(512, 2 * PixelFont::ROWS);
    // White everywhere, so linear filtering at glyph edges blends towards white, not black.
    c.generate(flat({1, 1, 1, 0}));
    for (size_t cell = 0; cell < STRIP_ORDER.size(); ++cell) {
        for (int y = 0; y < c.height(); ++y)
            for (int column = 0; column < PixelFont::COLUMNS; ++column)
                if (PixelFont::inked(STRIP_ORDER[cell], column, y / 2))
                    c.at(int(cell) * CELL + column, y) = {1, 1, 1, 1};
    }
    return c;
}

} // namespace Pictures
} // namespace Content
