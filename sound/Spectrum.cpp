#include "sound/Spectrum.h"

#include "sound/Decoder.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <mutex>
#include <new>
#include <numeric>
#include <stdexcept>
#include <string>

namespace Marquel::Audio {

namespace {

constexpr int WINDOW = 2 * Spectrum::BINS;
// The quietest level shown: -90 dB and below is 0, full scale is 1.
constexpr float FLOOR_DB = -90.0f;
// The rates music is recorded at, from telephone sound to the fastest studio converters. A
// header may claim any rate: taken at its word, 100 MHz would make every band wider than
// hearing.
constexpr int MIN_RATE = 8000;
constexpr int MAX_RATE = 384000;
// Faster music is read at this rate or below, so a band is as wide (about 23 Hz) as for
// music at the common rates.
constexpr int ANALYSIS_RATE = 48000;
// The most samples kept, eight minutes at ANALYSIS_RATE (92 MB); later times read 0. A
// limit in seconds would grow with the rate a file claims.
constexpr size_t MAX_SAMPLES = size_t{8} * 60 * ANALYSIS_RATE;

// How many frames make one sample: the fewest that bring rate to ANALYSIS_RATE or below.
int framesPerSample(int rate) {
    if (rate < MIN_RATE || rate > MAX_RATE) {
        throw std::runtime_error("Could not read the music's spectrum: its rate of " +
                                 std::to_string(rate) + " Hz is not from " +
                                 std::to_string(MIN_RATE) + " to " + std::to_string(MAX_RATE) +
                                 " Hz");
    }
    return (rate + ANALYSIS_RATE - 1) / ANALYSIS_RATE;
}

// FFTW's planner is not thread-safe: plans are made and destroyed under this lock, so that a
// spectrum may be made on any thread.
std::mutex planning;

} // namespace

// One plan for the life of the spectrum: FFTW_ESTIMATE plans without timing the machine, so
// every run transforms the same way and gives the same values.
struct Spectrum::Transform {
    Transform() {
        const std::lock_guard<std::mutex> lock(planning);
        in = fftwf_alloc_real(WINDOW);
        out = fftwf_alloc_complex(WINDOW / 2 + 1);
        if (in && out)
            plan = fftwf_plan_dft_r2c_1d(WINDOW, in, out, FFTW_ESTIMATE);
        if (!plan) {
            release();
            throw std::bad_alloc();
        }
        double sum = 0;
        for (int i = 0; i < WINDOW; ++i) {
            hann[i] = static_cast<float>(0.5 - 0.5 * std::cos(2 * M_PI * i / WINDOW));
            sum += hann[i];
        }
        // A sine's peak is its amplitude times half the window's sum: full scale reads 1.
        scale = static_cast<float>(2 / sum);
    }
    ~Transform() {
        const std::lock_guard<std::mutex> lock(planning);
        release();
    }
    Transform(const Transform&) = delete;
    Transform& operator=(const Transform&) = delete;

    void release() {
        if (plan)
            fftwf_destroy_plan(plan);
        fftwf_free(in);
        fftwf_free(out);
    }

    float* in = nullptr;
    fftwf_complex* out = nullptr;
    fftwf_plan plan = nullptr;
    float hann[WINDOW];
    float scale = 0;
};

Spectrum::Spectrum(const void* data, size_t size) {
    std::unique_ptr<Decoder> decoder;
    switch (openDecoder(data, size, decoder)) {
    case DECODER_OK:
        break;
    case DECODER_TRUNCATED:
        throw std::runtime_error("Could not read the music's spectrum: the file is cut short");
    case DECODER_UNKNOWN_FORMAT:
        throw std::runtime_error(
            "Could not read the music's spectrum: the player does not know its format");
    }
    const int step = framesPerSample(decoder->rate());
    rate = static_cast<int>(std::lround(static_cast<double>(decoder->rate()) / step));
    const int channels = decoder->channels();
    // Each sample is the mean of step frames: crude as a low-pass, but the music above the
    // analysis rate's half that folds into the bands is faint, and the mean costs nothing.
    const float scale = 1.0f / (32768.0f * static_cast<float>(channels) * step);
    // No room is set aside from the length the file claims: a cut file claims more than it
    // holds. A module can claim hours in a few bytes, so the spectrum stops at the limit.
    constexpr int CHUNK = 4096;
    std::vector<int16_t> chunk(static_cast<size_t>(CHUNK) * channels);
    int64_t sum = 0;
    int summed = 0;
    while (samples.size() < MAX_SAMPLES) {
        const int got = decoder->read(chunk.data(), CHUNK);
        if (got <= 0)
            break;
        for (const int16_t* frame = chunk.data(); frame < chunk.data() + got * channels;
             frame += channels) {
            sum += std::accumulate(frame, frame + channels, int64_t{0});
            if (++summed == step) {
                samples.push_back(static_cast<float>(sum) * scale);
                sum = 0;
                summed = 0;
            }
        }
    }
    samples.resize(std::min(samples.size(), MAX_SAMPLES));
    samples.shrink_to_fit();
    transform.reset(new Transform());
}

Spectrum::~Spectrum() = default;

// The transform's bin 0, the constant term, tells nothing about the music: value i is bin i + 1.
void Spectrum::at(double seconds, float* bins) {
    const double end = static_cast<double>(samples.size()) / rate;
    // The negated test also catches NaN.
    if (!(seconds >= 0 && seconds <= end)) {
        std::fill(bins, bins + BINS, 0.0f);
        return;
    }
    Transform& t = *transform;
    const int64_t first = std::llround(seconds * rate) - BINS;
    const auto count = static_cast<int64_t>(samples.size());
    for (int i = 0; i < WINDOW; ++i) {
        const int64_t at = first + i;
        t.in[i] = at >= 0 && at < count ? samples[static_cast<size_t>(at)] * t.hann[i] : 0.0f;
    }
    fftwf_execute(t.plan);
    for (int i = 0; i < BINS; ++i) {
        const float re = t.out[i + 1][0], im = t.out[i + 1][1];
        const float magnitude = std::sqrt(re * re + im * im) * t.scale;
        // log10 of 0 is -inf, which the clamp takes to 0.
        const float db = 20.0f * std::log10(magnitude);
        bins[i] = std::clamp(1.0f - db / FLOOR_DB, 0.0f, 1.0f);
    }
}

} // namespace Marquel::Audio
