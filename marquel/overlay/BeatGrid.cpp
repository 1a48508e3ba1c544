#include "marquel/overlay/BeatGrid.h"

#include <algorithm>
#include <cmath>

namespace Marquel {

namespace {

// The grid time of step index k with steps steps a beat: one division, one rounding.
float gridTime(const BeatGrid& grid, double k, int steps) {
    return static_cast<float>(double(grid.firstBeat) + k * 60 / (double(grid.bpm) * steps));
}

// The index of the grid time steps steps from time. A time between two grid times counts
// as the one behind it in the direction of the move, so the first step lands on the other.
double stepIndex(const BeatGrid& grid, float time, int perBeat, int steps) {
    const double at = grid.beatAt(time) * perBeat;
    const double nearest = std::round(at);
    if (steps == 0 || gridTime(grid, nearest, perBeat) == time)
        return nearest + steps;
    return (steps > 0 ? std::floor(at) : std::ceil(at)) + steps;
}

float moved(const BeatGrid& grid, float time, int perBeat, int steps) {
    if (!grid.active() || !std::isfinite(time))
        return time;
    const float landed = gridTime(grid, stepIndex(grid, time, perBeat, steps), perBeat);
    return std::isfinite(landed) ? landed : time;
}

} // namespace

bool BeatGrid::active() const {
    return bpm > 0 && std::isfinite(bpm) && std::isfinite(firstBeat);
}

double BeatGrid::beatTime(double beat) const {
    return double(firstBeat) + beat * 60 / double(bpm);
}

double BeatGrid::beatAt(double time) const {
    return (time - double(firstBeat)) * double(bpm) / 60;
}

float BeatGrid::snap(float time) const {
    return moved(*this, time, std::max(subdivision, 1), 0);
}

float BeatGrid::step(float time, int steps) const {
    return moved(*this, time, std::max(subdivision, 1), steps);
}

float BeatGrid::stepBeats(float time, int beats) const {
    return moved(*this, time, 1, beats);
}

} // namespace Marquel
