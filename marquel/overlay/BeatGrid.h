#pragma once

namespace Marquel {

// The music's beat as the inspector edits against it: a tempo and the time of one beat,
// cut into subdivision steps a beat. Every grid time is worked out from its step's whole
// index in double and rounded to float once, so stepping never drifts and a whole second on
// the grid is written back whole.
struct BeatGrid {
    // Beats a minute; 0 (or anything not a positive number) is no grid.
    float bpm = 0;
    // The demo time of beat 0, in seconds.
    float firstBeat = 0;
    int beatsPerBar = 4;
    // Grid steps a beat.
    int subdivision = 4;
    // The time keys move by grid steps and land on the grid.
    bool snapping = false;
    // The tempo was guessed from the music and is not the script's yet: its lines show in
    // the lane only, not under the script.
    bool proposed = false;

    bool active() const;
    // active() with snapping on: the edits and the time keys go by the grid.
    bool snaps() const { return snapping && active(); }
    // The demo time of a beat, whole or not.
    double beatTime(double beat) const;
    // The beat, whole or not, at a demo time.
    double beatAt(double time) const;
    // The grid time nearest time; time itself without a grid.
    float snap(float time) const;
    // The grid time steps grid steps after (before, when negative) time: from a time on the
    // grid the next one is a whole step away, from one between two grid times it is the
    // nearer of them in that direction. Time itself without a grid.
    float step(float time, int steps) const;
    // The same in whole beats, whatever the subdivision.
    float stepBeats(float time, int beats) const;
};

} // namespace Marquel
