#include "marquel/Spline.h"

#include <cmath>
#include <cstddef>

namespace Marquel {

namespace {

// The cubic Hermite piece of the segment from key a to key b at parameter g (0 at a, 1 at b).
float hermite(const SplineKey& a, const SplineKey& b, float g) {
    float square = 3 * (b.value - a.value) - 2 * a.tangent - b.tangent;
    float cube = 2 * (a.value - b.value) + a.tangent + b.tangent;
    return a.value + a.tangent * g + square * g * g + cube * g * g * g;
}

float linear(const SplineKey& a, const SplineKey& b, float t) {
    return a.value + (t - a.time) / (b.time - a.time) * (b.value - a.value);
}

// Anything but the three words that name another interpolation is drawn as a cubic, so it
// must be prepared as one too: otherwise it would read tangents nobody computed.
bool isCubic(const std::string& type) {
    return type != "square" && type != "linear" && type != "bezier";
}

void widen(float value, float& low, float& high) {
    if (value > high)
        high = value;
    if (value < low)
        low = value;
}

// The cubic's derivative is tangent + 2 * square * g + 3 * cube * g^2; where it is zero
// inside the segment the curve turns and may leave the range of the keys.
void widenByTurningPoints(const SplineKey& a, const SplineKey& b, float& low, float& high) {
    double square = 3.0 * (b.value - a.value) - 2.0 * a.tangent - b.tangent;
    double cube = 2.0 * (a.value - b.value) + a.tangent + b.tangent;
    double roots[2];
    int count = 0;
    if (cube == 0) {
        if (square != 0)
            roots[count++] = -a.tangent / (2 * square);
    } else {
        double discriminant = 4 * square * square - 12 * cube * a.tangent;
        if (discriminant >= 0) {
            double root = std::sqrt(discriminant);
            roots[count++] = (-2 * square + root) / (6 * cube);
            roots[count++] = (-2 * square - root) / (6 * cube);
        }
    }
    for (int k = 0; k < count; ++k) {
        if (roots[k] >= 0 && roots[k] < 1)
            widen(hermite(a, b, static_cast<float>(roots[k])), low, high);
    }
}

} // namespace

float Spline::evaluate(float time) const {
    float t = (time - timeoffset) / timescale;
    size_t count = keys.size();
    if (count == 0)
        return valueoffset;

    // The last key in list order that lies before t, so keys out of time order are used as
    // they stand. Searching from the end finds it without looking at the keys after it.
    size_t i = count - 1;
    while (i > 0 && !(keys[i].time < t))
        --i;

    float c;
    if (t < keys[0].time || i == count - 1) {
        c = keys[i].value;
    } else if (type == "square") {
        c = keys[i].value;
    } else if (type == "linear") {
        c = linear(keys[i], keys[i + 1], t);
    } else if (type == "bezier") {
        if (i == count - 2) {
            c = linear(keys[i], keys[i + 1], t);
        } else {
            // Quadratic pieces over pairs of segments, starting at even keys.
            size_t b = i & ~size_t(1);
            float g = (t - keys[b].time) / (keys[b + 2].time - keys[b].time);
            c = (1 - g) * (1 - g) * keys[b].value + (keys[b + 1].value + keys[b + 2].value) * g * g;
        }
    } else {
        float g = (t - keys[i].time) / (keys[i + 1].time - keys[i].time);
        c = hermite(keys[i], keys[i + 1], g);
    }
    return c * valuescale + valueoffset;
}

void Spline::prepare() {
    size_t count = keys.size();
    max = min = count > 0 ? keys[0].value : 0;

    if (isCubic(type) && count > 0) {
        if (count == 1) {
            keys[0].tangent = 0;
        } else {
            keys[0].tangent = keys[1].value - keys[0].value;
            keys[count - 1].tangent = keys[count - 1].value - keys[count - 2].value;
            // The slope towards the next key weighs with the previous interval and the
            // slope from the previous key with the next one.
            for (size_t i = 1; i + 1 < count; ++i) {
                float before = keys[i].time - keys[i - 1].time;
                float after = keys[i + 1].time - keys[i].time;
                keys[i].tangent = (before * (keys[i + 1].value - keys[i].value) +
                                   after * (keys[i].value - keys[i - 1].value)) /
                                  (before + after);
            }
        }
        for (size_t i = 0; i + 1 < count; ++i)
            widenByTurningPoints(keys[i], keys[i + 1], min, max);
    }
    for (const SplineKey& key : keys)
        widen(key.value, min, max);

    absMax = std::fabs(max) >= std::fabs(min) ? std::fabs(max) : std::fabs(min);
}

} // namespace Marquel
