#pragma once

#include <vector>

namespace Marquel::Audio {

class Spectrum;

// A tempo as the script writes it: beats a minute (0 for none) and the time of a beat.
struct Tempo {
    double bpm = 0;
    double firstBeat = 0;
};

// Where the hits of a piece of music start (its kicks, snares and other onsets), the tempo
// they suggest, and its loudness over any span: what the inspector draws of the music. All
// of it is worked out once from the music's spectrum and its decoded samples, which are not
// kept.
class Onsets {
public:
    struct Onset {
        // Seconds from the start of the music.
        double time;
        // How sharply the spectrum rose there, for telling a kick from a ghost note.
        float strength;
    };

    // Analyses the music spectrum has decoded; the spectrum may go afterwards.
    explicit Onsets(Spectrum& spectrum);

    // In order of time, each at the first sample of its rise to within a millisecond.
    const std::vector<Onset>& all() const { return onsets; }
    // The tempo from 60 to 200 bpm whose beats the onsets fall on best, with firstBeat the
    // first of its beats (a beat a hair before 0 counts); bpm 0 when the music has too few
    // onsets to tell.
    const Tempo& tempo() const { return proposed; }
    // The root mean square of the samples from one time to another (seconds), counted over
    // the blocks of about a millisecond that span them; 0 where there is no music.
    float loudness(double from, double to) const;
    // Seconds of music.
    double length() const { return seconds; }

private:
    std::vector<Onset> onsets;
    Tempo proposed;
    // The running sum of the squared samples at the end of each block.
    std::vector<double> energy;
    double blockSeconds = 0;
    double seconds = 0;
};

} // namespace Marquel::Audio
