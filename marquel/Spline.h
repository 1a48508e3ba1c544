#pragma once

#include <string>
#include <vector>

namespace Marquel {

// One key of a spline. The tangent is in value units per segment, not per second; prepare()
// sets it for the cubic types and the other types ignore it.
struct SplineKey {
    float time = 0;
    float value = 0;
    float tangent = 0;
};

// A named animation curve of a script node: keys in the order given (never sorted), an
// interpolation type ("smooth", "bezier", "linear", "square"; any other text interpolates
// like "smooth"), and linear maps of the node's local time into key time and of the curve
// value into the output. Outside the keys the curve holds the first or last key's value.
// "bezier" joins quadratic pieces over keys 0-1-2, 2-3-4, ...: each passes through its even
// keys and is pulled towards the key between them; an even count ends with a straight segment.
class Spline {
public:
    // The output at a time in the owning node's local time. With no keys at all the curve is
    // 0, so the output is valueoffset.
    float evaluate(float time) const;
    // Recomputes tangents (cubic types only), min and max from the keys. Call it
    // after the keys, their values or the type have changed.
    void prepare();

    std::string name = "new";
    std::string type = "smooth";
    std::vector<SplineKey> keys;
    // Range of the curve in key value units (a bezier's middle keys may lie outside it), for
    // display only; set by prepare().
    float max = 0;
    float min = 0;
    float timeoffset = 0;
    float valueoffset = 0;
    float valuescale = 1;
    float timescale = 1;
};

} // namespace Marquel
