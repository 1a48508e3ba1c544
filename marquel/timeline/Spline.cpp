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

// The quadratic Bezier from value a to value c, pulled towards control, at g in [0, 1].
float quadratic(float a, float control, float c, float g) {
    float h = 1 - g;
    return h * h * a + 2 * g * h * control + g * g * c;
}

// The piece from key a to key c with key control between them. g runs linearly from a's
// time to c's, as if the control key sat midway: solving the time axis as a Bezier too would
// fold the curve back on itself wherever the control key lies outside its neighbours' times,
// and would cost a square root per value. The search leaves c no earlier than t; keys out of
// time order can leave t at or before a, where the piece holds a's value instead of dividing
// by a span of zero or less.
float bezier(const SplineKey& a, const SplineKey& control, const SplineKey& c, float t) {
    if (!(t > a.time))
        return a.value;
    return quadratic(a.value, control.value, c.value, (t - a.time) / (c.time - a.time));
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

// The quadratic turns where its derivative, 2 * ((control - a) * (1 - g) + (c - control) * g),
// is zero; its control value is reached only there, if at all.
void widenByBezierTurn(const SplineKey& a, const SplineKey& control, const SplineKey& c,
                       float& low, float& high) {
    double bend = double(a.value) - 2.0 * control.value + c.value;
    if (bend == 0)
        return;
    double g = (double(a.value) - control.value) / bend;
    if (g > 0 && g < 1)
        widen(quadratic(a.value, control.value, c.value, static_cast<float>(g)), low, high);
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
        // Pieces start at even keys. An even count leaves one segment after the last piece,
        // drawn straight from where that piece ends.
        size_t b = i & ~size_t(1);
        if (b + 2 < count)
            c = bezier(keys[b], keys[b + 1], keys[b + 2], t);
        else
            c = linear(keys[i], keys[i + 1], t);
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
    if (type == "bezier") {
        // The curve passes through the pieces' ends and the last key only; a middle key
        // bounds it only where the piece turns.
        for (size_t b = 0; b + 2 < count; b += 2) {
            widen(keys[b + 2].value, min, max);
            widenByBezierTurn(keys[b], keys[b + 1], keys[b + 2], min, max);
        }
        if (count > 0)
            widen(keys[count - 1].value, min, max);
    } else {
        for (const SplineKey& key : keys)
            widen(key.value, min, max);
    }
}

} // namespace Marquel
