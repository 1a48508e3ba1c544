#include "sound/Onsets.h"

#include "sound/Spectrum.h"
#include "sound/TempoEstimate.h"

#include <algorithm>
#include <cmath>

namespace Marquel::Audio {

namespace {

// The spectrum's frames are 23 ms at 44.1 kHz, long enough to tell a kick's low thump from a
// hat's hiss; onsets are looked for a frame every 5.8 ms. Its decibel scale compresses the
// magnitudes as the ear does, so a soft hat's rise counts beside a kick's.
constexpr int FRAME = 2 * Spectrum::BINS;
constexpr int HOP = 256;
// Bins are read from -40 dB up (the spectrum's 0 is -90 dB, its 1 is 0 dB): below that, a
// lossy codec's noise and a pad's leakage flicker from frame to frame like hits.
constexpr float QUIETEST = 1 - 40.0f / 90;
// The blocks loudness is counted in and an onset's time is refined to.
constexpr int BLOCK = 32;
// Peak picking, in seconds: a peak is the largest within PEAK_SPAN either side, and stands
// above the mean of the flux from MEAN_BEFORE before to MEAN_AFTER after it.
constexpr double PEAK_SPAN = 0.03;
constexpr double MEAN_BEFORE = 0.1;
constexpr double MEAN_AFTER = 0.07;
// How far above that mean, as a share of the flux's mean over the whole music.
constexpr double THRESHOLD_SHARE = 0.5;
// Two onsets closer than this are one hit.
constexpr double LEAST_GAP = 0.03;
// An onset's first block is the one loudest against the mean of this many blocks before it.
constexpr int RISE_BLOCKS = 4;

// The spectral flux of frame n: how much the spectrum rose since frame n - 1, summed over
// the bins that rose. Frame n is centred on sample n * HOP, so a hit on the very first
// sample stands in the middle of frame 0 rather than at its faint edge.
std::vector<float> spectralFlux(Spectrum& spectrum) {
    const double rate = spectrum.sampleRate();
    const size_t frames = spectrum.mono().size() / HOP + 1;
    std::vector<float> flux(frames, 0.0f);
    std::vector<float> previous(Spectrum::BINS, QUIETEST);
    std::vector<float> current(Spectrum::BINS);
    for (size_t n = 0; n < frames; ++n) {
        spectrum.at(double(n * HOP) / rate, current.data());
        float rise = 0;
        for (float& bin : current)
            bin = std::max(bin, QUIETEST);
        for (size_t k = 0; k < current.size(); ++k)
            rise += current[k] - previous[k] > 0 ? current[k] - previous[k] : 0;
        flux[n] = rise;
        previous.swap(current);
    }
    return flux;
}

// The mean of values[from, to), both held inside the values.
double meanOf(const std::vector<float>& values, int64_t from, int64_t to) {
    const auto size = static_cast<int64_t>(values.size());
    from = std::clamp<int64_t>(from, 0, size);
    to = std::clamp<int64_t>(to, from, size);
    double sum = 0;
    for (int64_t i = from; i < to; ++i)
        sum += values[static_cast<size_t>(i)];
    return to > from ? sum / double(to - from) : 0.0;
}

// The frames where the flux peaks above its own neighbourhood.
std::vector<size_t> pickPeaks(const std::vector<float>& flux, double frameRate) {
    const auto frames = static_cast<int64_t>(flux.size());
    const auto span = static_cast<int64_t>(std::lround(PEAK_SPAN * frameRate));
    const auto before = static_cast<int64_t>(std::lround(MEAN_BEFORE * frameRate));
    const auto after = static_cast<int64_t>(std::lround(MEAN_AFTER * frameRate));
    const double delta = THRESHOLD_SHARE * meanOf(flux, 0, frames);
    std::vector<size_t> peaks;
    for (int64_t n = 0; n < frames; ++n) {
        const float value = flux[static_cast<size_t>(n)];
        if (!(value > 0))
            continue;
        const auto from = static_cast<size_t>(std::max<int64_t>(n - span, 0));
        const auto to = static_cast<size_t>(std::min(n + span + 1, frames));
        if (*std::max_element(flux.begin() + from, flux.begin() + to) > value)
            continue;
        if (value >= meanOf(flux, n - before, n + after + 1) + delta)
            peaks.push_back(static_cast<size_t>(n));
    }
    return peaks;
}

// The block where the hit found in frame peak starts, from the running sums of the blocks'
// energies. The flux rises once the hit is inside the frame, so the hit starts in the frame
// or a hop before it, at the block loudest against the blocks before it.
int64_t firstBlock(const std::vector<double>& energy, size_t peak) {
    const auto blocks = static_cast<int64_t>(energy.size()) - 1;
    const auto sum = [&](int64_t from, int64_t to) {
        from = std::clamp<int64_t>(from, 0, blocks);
        to = std::clamp<int64_t>(to, from, blocks);
        return energy[static_cast<size_t>(to)] - energy[static_cast<size_t>(from)];
    };
    const auto frame = static_cast<int64_t>(peak);
    const int64_t first = std::max<int64_t>((frame * HOP - FRAME / 2 - HOP) / BLOCK, 0);
    const int64_t last = (frame * HOP + FRAME / 2) / BLOCK;
    double loudest = 0;
    for (int64_t b = first; b < last; ++b)
        loudest = std::max(loudest, sum(b, b + 1));
    // Against silence every block with sound would rise without bound: a floor far below
    // the hit keeps the first of them the one that rises most.
    const double floor = (loudest * 1e-4 + 1e-12) * RISE_BLOCKS;
    int64_t best = first;
    double bestRise = 0;
    for (int64_t b = first; b < last; ++b) {
        const double rise =
            (sum(b, b + 1) * RISE_BLOCKS + floor) / (sum(b - RISE_BLOCKS, b) + floor);
        if (rise > bestRise) {
            bestRise = rise;
            best = b;
        }
    }
    return best;
}

} // namespace

Onsets::Onsets(Spectrum& spectrum) {
    const std::vector<float>& samples = spectrum.mono();
    const int rate = spectrum.sampleRate();
    seconds = rate > 0 ? double(samples.size()) / rate : 0;
    blockSeconds = rate > 0 ? double(BLOCK) / rate : 0;
    energy.assign(samples.size() / BLOCK + 1, 0.0);
    for (size_t b = 0; b + 1 < energy.size(); ++b) {
        double sum = 0;
        for (size_t i = b * BLOCK; i < (b + 1) * BLOCK; ++i)
            sum += double(samples[i]) * samples[i];
        energy[b + 1] = energy[b] + sum;
    }
    if (rate <= 0 || samples.empty())
        return;

    const std::vector<float> flux = spectralFlux(spectrum);
    const double frameRate = double(rate) / HOP;
    for (size_t peak : pickPeaks(flux, frameRate)) {
        const Onset onset{double(firstBlock(energy, peak)) * blockSeconds, flux[peak]};
        if (!onsets.empty() && onset.time - onsets.back().time < LEAST_GAP) {
            if (onset.strength > onsets.back().strength)
                onsets.back() = onset;
            continue;
        }
        onsets.push_back(onset);
    }
    proposed = estimateTempo(flux, frameRate, onsets);
}

float Onsets::loudness(double from, double to) const {
    if (!(blockSeconds > 0 && to > from))
        return 0;
    const double last = double(energy.size() - 1);
    const double a = std::clamp(from / blockSeconds, 0.0, last);
    const double b = std::clamp(to / blockSeconds, 0.0, last);
    // Between block ends the running sum is taken as rising evenly.
    const auto sumAt = [&](double at) {
        const auto whole = static_cast<size_t>(at);
        const double part = at - double(whole);
        const double next = whole + 1 < energy.size() ? energy[whole + 1] : energy[whole];
        return energy[whole] + part * (next - energy[whole]);
    };
    const double samples = (to - from) / blockSeconds * BLOCK;
    return static_cast<float>(std::sqrt(std::max(0.0, sumAt(b) - sumAt(a)) / samples));
}

} // namespace Marquel::Audio
