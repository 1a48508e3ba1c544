#include "sound/TempoEstimate.h"

#include <algorithm>
#include <cmath>

namespace Marquel::Audio {

namespace {

constexpr double SLOWEST = 60;
constexpr double FASTEST = 200;
constexpr double BPM_STEP = 0.05;
// Beat periods a candidate tempo is checked at: a steady beat repeats at each.
constexpr int PERIODS = 4;
// Seconds either side of a frame whose mean flux is taken away, leaving the peaks.
constexpr double MEAN_SPAN = 0.1;
// Where the flux alone cannot tell a tempo from its double or half, the one nearer 120 bpm
// wins: most music is felt there. The preference's width, in octaves.
constexpr double PREFERRED = 120;
constexpr double PREFERENCE_OCTAVES = 0.7;
// An onset counts for a beat within this share of the period from it.
constexpr double ON_BEAT = 0.125;
constexpr size_t FEWEST_ON_BEAT = 4;

// The flux above its local mean: a sustained sound's steady flux counts for nothing.
std::vector<double> peaksOf(const std::vector<float>& flux, double frameRate) {
    const auto span = static_cast<size_t>(std::lround(MEAN_SPAN * frameRate));
    std::vector<double> sums(flux.size() + 1, 0.0);
    for (size_t i = 0; i < flux.size(); ++i)
        sums[i + 1] = sums[i] + flux[i];
    std::vector<double> peaks(flux.size());
    for (size_t i = 0; i < flux.size(); ++i) {
        const size_t from = i > span ? i - span : 0;
        const size_t to = std::min(flux.size(), i + span + 1);
        peaks[i] = std::max(0.0, flux[i] - (sums[to] - sums[from]) / double(to - from));
    }
    return peaks;
}

// The autocorrelation of values at lags 0 to most, each the mean product over its overlap.
std::vector<double> autocorrelation(const std::vector<double>& values, size_t most) {
    std::vector<double> result(most + 1, 0.0);
    for (size_t lag = 0; lag <= most && lag < values.size(); ++lag) {
        double sum = 0;
        for (size_t i = 0; i + lag < values.size(); ++i)
            sum += values[i] * values[i + lag];
        result[lag] = sum / double(values.size() - lag);
    }
    return result;
}

// values at a fractional index, in a straight line between its neighbours.
double between(const std::vector<double>& values, double at) {
    const auto whole = static_cast<size_t>(at);
    if (whole + 1 >= values.size())
        return 0;
    const double part = at - double(whole);
    return values[whole] * (1 - part) + values[whole + 1] * part;
}

// The tempo whose beat periods the flux repeats at most.
double strongestTempo(const std::vector<float>& flux, double frameRate) {
    const auto most = static_cast<size_t>(std::ceil(PERIODS * 60 / SLOWEST * frameRate)) + 1;
    const std::vector<double> repeats = autocorrelation(peaksOf(flux, frameRate), most);
    double best = 0;
    double bestScore = 0;
    for (double bpm = SLOWEST; bpm <= FASTEST; bpm += BPM_STEP) {
        const double lag = 60 / bpm * frameRate;
        double score = 0;
        for (int k = 1; k <= PERIODS; ++k)
            score += between(repeats, k * lag);
        const double octaves = std::log2(bpm / PREFERRED) / PREFERENCE_OCTAVES;
        score *= std::exp(-0.5 * octaves * octaves);
        if (score > bestScore) {
            bestScore = score;
            best = bpm;
        }
    }
    return best;
}

// The time of a beat: the onsets' mean position within the period, each weighted by its
// strength squared so that the loudest hits lead.
double strongestPhase(const std::vector<Onsets::Onset>& onsets, double period) {
    double x = 0;
    double y = 0;
    for (const Onsets::Onset& onset : onsets) {
        const double angle = 2 * M_PI * onset.time / period;
        const double weight = double(onset.strength) * onset.strength;
        x += weight * std::cos(angle);
        y += weight * std::sin(angle);
    }
    return std::atan2(y, x) / (2 * M_PI) * period;
}

// The straight line time = phase + beat * period through the onsets on the beats, each
// weighted by its strength. False when too few onsets are on a beat.
bool fitBeats(const std::vector<Onsets::Onset>& onsets, double& period, double& phase) {
    double sw = 0, sk = 0, st = 0, skk = 0, skt = 0;
    size_t count = 0;
    for (const Onsets::Onset& onset : onsets) {
        const double beat = std::round((onset.time - phase) / period);
        if (std::abs(onset.time - phase - beat * period) > ON_BEAT * period)
            continue;
        const double w = onset.strength;
        sw += w;
        sk += w * beat;
        st += w * onset.time;
        skk += w * beat * beat;
        skt += w * beat * onset.time;
        ++count;
    }
    const double spread = sw * skk - sk * sk;
    if (count < FEWEST_ON_BEAT || !(spread > 0))
        return false;
    period = (sw * skt - sk * st) / spread;
    phase = (st - period * sk) / sw;
    return period > 0;
}

} // namespace

Tempo estimateTempo(const std::vector<float>& flux, double frameRate,
                    const std::vector<Onsets::Onset>& onsets) {
    const double bpm = strongestTempo(flux, frameRate);
    if (!(bpm > 0))
        return {};
    double period = 60 / bpm;
    double phase = strongestPhase(onsets, period);
    // The second fit takes in the onsets the first period's drift had put off the beat.
    for (int pass = 0; pass < 2; ++pass)
        if (!fitBeats(onsets, period, phase))
            return {};
    Tempo tempo;
    tempo.bpm = 60 / period;
    // A beat found a hair before 0 is the music's first, not one a whole beat later.
    const double early = ON_BEAT * period;
    tempo.firstBeat = phase - std::floor((phase + early) / period) * period;
    return tempo;
}

} // namespace Marquel::Audio
