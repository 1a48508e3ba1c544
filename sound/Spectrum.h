#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace Marquel::Audio {

// The music's spectrum at any moment, taken from the decoded file rather than the sound
// device, so a recording sees the same spectrum as playback and a paused or muted demo still
// has one. The whole file is decoded to mono once; each call then transforms one window.
class Spectrum {
public:
    static constexpr int BINS = 512;

    // Decodes the music in data (size bytes, any format the decoders read): as many samples
    // as eight minutes at 48 kHz at most. Music faster than 48 kHz is read at a whole fraction
    // of its rate, 48 kHz or below. The bytes are not kept. Throws std::runtime_error with the
    // reason when the file does not decode or its rate is not from 8 kHz to 384 kHz.
    Spectrum(const void* data, size_t size);
    ~Spectrum();
    Spectrum(const Spectrum&) = delete;
    Spectrum& operator=(const Spectrum&) = delete;

    // BINS values from 0 to 1 for the window of 2 * BINS samples centred on seconds: value i
    // is the frequency (i + 1) * rate / (2 * BINS), so the last is half the rate read at. The
    // magnitudes are on a decibel scale, -90 dB and below 0, a full-scale sine 1. Silence,
    // and any time before the start or past the end of the music, is all 0. The same time
    // always gives the same values. One call at a time: the window's buffers are shared.
    void at(double seconds, float* bins);

    // The decoded music, mono from -1 to 1, and its rate: what other analyses of it read.
    const std::vector<float>& mono() const { return samples; }
    int sampleRate() const { return rate; }

private:
    struct Transform;
    std::vector<float> samples;
    int rate = 0;
    std::unique_ptr<Transform> transform;
};

} // namespace Marquel::Audio
