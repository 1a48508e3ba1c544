#include "tools/Music.h"

#include "tools/Timing.h"

#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace Content {
namespace Music {

namespace {

using namespace Timing;

constexpr float PI = 3.14159265f;
constexpr int REST = -1;

// The chords, one a bar: A minor, F, C, G. Roots for the bass, three notes for the pad.
constexpr int ROOTS[4] = {45, 41, 48, 43};
constexpr int CHORDS[4][3] = {{57, 60, 64}, {57, 60, 65}, {55, 60, 64}, {55, 59, 62}};

// Two four-bar tunes in eighth notes, over the four chords.
constexpr int TUNE_A[4][8] = {{69, REST, 72, 69, 76, REST, 74, 72},
                              {72, REST, 69, REST, 65, 69, 72, REST},
                              {67, REST, 72, 76, 79, REST, 76, 72},
                              {74, REST, 71, 67, 74, 76, 74, REST}};
constexpr int TUNE_B[4][8] = {{76, 76, REST, 72, 81, REST, 79, 76},
                              {77, REST, 76, 72, 69, REST, 72, 76},
                              {79, REST, 76, REST, 72, 76, 79, 84},
                              {83, REST, 79, REST, 74, REST, 71, REST}};

float frequency(int midi) {
    return 440.0f * std::pow(2.0f, (midi - 69) / 12.0f);
}

// A fixed noise source, the same on every run.
class Noise {
public:
    float next() {
        state = state * 1664525u + 1013904223u;
        return float(state >> 8) / float(1 << 23) - 1;
    }

private:
    uint32_t state = 0x2545F491u;
};

// Band-limited sawtooth step (polyBLEP), so high notes do not alias harshly.
float blep(float phase, float step) {
    if (phase < step) {
        const float t = phase / step;
        return t + t - t * t - 1;
    }
    if (phase > 1 - step) {
        const float t = (phase - 1) / step;
        return t * t + t + t + 1;
    }
    return 0;
}

float saw(float phase, float step) {
    return 2 * phase - 1 - blep(phase, step);
}

// A two-pole state variable low-pass filter.
class LowPass {
public:
    float run(float in, float cutoff, float resonance) {
        const float f = 2 * std::sin(PI * std::min(cutoff, RATE / 6.0f) / RATE);
        low += f * band;
        const float high = in - low - resonance * band;
        band += f * high;
        return low;
    }

private:
    float low = 0, band = 0;
};

class Track {
public:
    Track()
        : left(frames(), 0), right(frames(), 0), echoLeft(frames(), 0), echoRight(frames(), 0) {}

    static size_t frames() { return size_t(END * RATE); }

    void kick(float at, float volume) {
        float phase = 0;
        forSpan(at, 0.45f, [&](size_t i, float t) {
            phase += (48 + 110 * std::exp(-t * 28)) / RATE;
            const float v = std::sin(2 * PI * phase) * std::exp(-t * 7) * volume;
            add(i, v, v);
        });
    }

    void snare(float at, float volume) {
        LowPass tone;
        forSpan(at, 0.3f, [&](size_t i, float t) {
            const float n = noise.next();
            const float body = std::sin(2 * PI * 190 * t) * std::exp(-t * 30);
            const float hiss = (n - tone.run(n, 1800, 1.0f)) * std::exp(-t * 16);
            const float v = (body * 0.5f + hiss * 0.6f) * volume;
            add(i, v * 0.95f, v);
        });
    }

    void hat(float at, float volume, float decay) {
        LowPass dull;
        forSpan(at, 0.25f, [&](size_t i, float t) {
            const float n = noise.next();
            const float v = (n - dull.run(n, 7000, 1.0f)) * std::exp(-t * decay) * volume;
            add(i, v * 0.8f, v);
        });
    }

    void crash(float at) {
        LowPass dull;
        forSpan(at, 2.0f, [&](size_t i, float t) {
            const float n = noise.next();
            const float v = (n - dull.run(n, 4000, 1.2f)) * std::exp(-t * 2.2f) * 0.22f;
            add(i, v, v * 0.9f);
        });
    }

    // Filtered noise that opens up towards the next section.
    void riser(float from, float length) {
        LowPass sweep;
        forSpan(from, length, [&](size_t i, float t) {
            const float x = t / length;
            const float v = sweep.run(noise.next(), 300 + 9000 * x * x, 0.6f) * x * 0.25f;
            add(i, v, v);
        });
    }

    void bass(float at, float length, int midi) {
        LowPass filter;
        float phase = 0;
        const float step = frequency(midi) / RATE;
        forSpan(at, length, [&](size_t i, float t) {
            phase += step;
            phase -= std::floor(phase);
            const float square = phase < 0.5f ? 1.0f : -1.0f;
            const float raw = saw(phase, step) * 0.7f + square * 0.3f;
            const float v = filter.run(raw, 180 + 1400 * std::exp(-t * 14), 0.5f) *
                            envelope(t, length, 0.004f, 0.04f) * 0.42f;
            add(i, v, v);
        });
    }

    // Two detuned saws through a closing filter; the echo bus repeats it across the stereo.
    void lead(float at, float length, int midi, float volume) {
        LowPass filter;
        float phaseA = 0, phaseB = 0.37f;
        const float stepA = frequency(midi) * 1.004f / RATE,
                    stepB = frequency(midi) * 0.996f / RATE;
        forSpan(at, length + 0.2f, [&](size_t i, float t) {
            phaseA += stepA;
            phaseA -= std::floor(phaseA);
            phaseB += stepB;
            phaseB -= std::floor(phaseB);
            const float vibrato = 1 + 0.002f * std::sin(2 * PI * 5.5f * t) * std::min(t * 4, 1.0f);
            const float raw = saw(phaseA, stepA * vibrato) + saw(phaseB, stepB);
            const float v = filter.run(raw, 900 + 3500 * std::exp(-t * 6), 0.7f) *
                            envelope(t, length, 0.01f, 0.15f) * volume;
            add(i, v * 1.0f, v * 0.8f);
            echoLeft[i] += v * 0.35f;
            echoRight[i] += v * 0.2f;
        });
    }

    void pad(float at, float length, const int (&notes)[3], float volume) {
        for (int n = 0; n < 3; ++n) {
            for (float detune : {-0.006f, 0.006f}) {
                LowPass filter;
                float phase = 0.1f * n;
                const float step = frequency(notes[n]) * (1 + detune) / RATE;
                const bool onLeft = detune < 0;
                forSpan(at, length + 0.6f, [&](size_t i, float t) {
                    phase += step;
                    phase -= std::floor(phase);
                    const float v = filter.run(saw(phase, step), 1200, 0.8f) *
                                    envelope(t, length, 0.35f, 0.6f) * volume;
                    add(i, onLeft ? v : v * 0.5f, onLeft ? v * 0.5f : v);
                });
            }
        }
    }

    // The echo bus is a ping-pong delay of three eighth notes, mixed in at the end; then a
    // gentle saturation keeps peaks below full scale.
    std::vector<float> finish() {
        const size_t delay = size_t(BEAT * 1.5f * RATE);
        for (size_t i = delay; i < echoLeft.size(); ++i) {
            echoLeft[i] += echoRight[i - delay] * 0.45f;
            echoRight[i] += echoLeft[i - delay] * 0.45f;
        }
        std::vector<float> stereo(frames() * 2);
        for (size_t i = 0; i < frames(); ++i) {
            const float fade = std::min(1.0f, float(frames() - i) / (0.3f * RATE));
            stereo[2 * i] = std::tanh((left[i] + echoLeft[i]) * 0.8f) * fade;
            stereo[2 * i + 1] = std::tanh((right[i] + echoRight[i]) * 0.8f) * fade;
        }
        return stereo;
    }

private:
    template <class Voice> void forSpan(float at, float length, Voice voice) {
        const size_t first = size_t(at * RATE);
        const size_t last = std::min(frames(), first + size_t(length * RATE));
        for (size_t i = first; i < last; ++i)
            voice(i, float(i - first) / RATE);
    }

    static float envelope(float t, float length, float attack, float release) {
        const float rise = std::min(t / attack, 1.0f);
        const float fall = t < length ? 1.0f : std::max(0.0f, 1 - (t - length) / release);
        return rise * fall;
    }

    void add(size_t i, float l, float r) {
        left[i] += l;
        right[i] += r;
    }

    std::vector<float> left, right, echoLeft, echoRight;
    Noise noise;
};

void playBar(Track& track, SectionKind kind, int bar, int barInSection, int barsInSection) {
    const float t0 = bar * BAR;
    const int chord = bar % 4;
    const bool lastBar = barInSection == barsInSection - 1;
    const float eighth = BEAT / 2, sixteenth = BEAT / 4;

    const bool drums = kind == SECTION_BUILD || kind == SECTION_DROP || kind == SECTION_DROP2 ||
                       (kind == SECTION_OUTRO && barInSection < OUTRO_DRUM_BARS);
    if (drums) {
        for (int beat = 0; beat < BEATS_PER_BAR; ++beat)
            track.kick(t0 + beat * BEAT, 0.9f);
    } else if (kind == SECTION_BREAK) {
        track.kick(t0, 0.7f);
    }
    const bool snares = kind == SECTION_DROP || kind == SECTION_DROP2 ||
                        (kind == SECTION_BUILD && barInSection >= 4);
    if (snares) {
        track.snare(t0 + BEAT, 0.5f);
        track.snare(t0 + 3 * BEAT, 0.5f);
    }
    if (kind == SECTION_BUILD && lastBar) {
        for (int s = 8; s < 16; ++s)
            track.snare(t0 + s * sixteenth, 0.15f + 0.04f * s);
    }
    if (kind == SECTION_DROP || kind == SECTION_DROP2) {
        for (int s = 0; s < 16; ++s)
            track.hat(t0 + s * sixteenth, s % 2 ? 0.12f : 0.06f, s % 4 == 2 ? 9 : 40);
    } else if (kind != SECTION_BREAK) {
        for (int e = 1; e < 8; e += 2)
            track.hat(t0 + e * eighth, kind == SECTION_INTRO ? 0.05f : 0.1f, 30);
    }

    if (kind != SECTION_INTRO && kind != SECTION_BREAK &&
        !(kind == SECTION_OUTRO && barInSection >= OUTRO_DRUM_BARS)) {
        for (int e = 0; e < 8; ++e)
            track.bass(t0 + e * eighth, eighth * 0.8f, ROOTS[chord] + (e % 4 == 3 ? 12 : 0));
    }
    if (kind != SECTION_DROP)
        track.pad(t0, BAR, CHORDS[chord], kind == SECTION_BREAK ? 0.07f : 0.05f);

    if (kind == SECTION_DROP || kind == SECTION_DROP2) {
        const int(&tune)[4][8] = kind == SECTION_DROP ? TUNE_A : TUNE_B;
        for (int e = 0; e < 8; ++e)
            if (tune[chord][e] != REST)
                track.lead(t0 + e * eighth, eighth * 0.9f, tune[chord][e], 0.09f);
    } else if (kind == SECTION_BREAK) {
        // An arpeggio of the chord, rising two octaves.
        for (int s = 0; s < 16; ++s)
            track.lead(t0 + s * sixteenth, sixteenth * 0.7f, CHORDS[chord][s % 3] + 12 * (s / 6),
                       0.05f);
    } else if (kind == SECTION_OUTRO && barInSection == barsInSection - 1) {
        track.lead(t0, BAR, 69, 0.07f);
    }

    if (lastBar && (kind == SECTION_INTRO || kind == SECTION_BUILD || kind == SECTION_BREAK))
        track.riser(t0, BAR);
    if (barInSection == 0 && (kind == SECTION_DROP || kind == SECTION_DROP2))
        track.crash(t0);
}

} // namespace

std::vector<float> render() {
    Track track;
    for (const Section& section : SECTIONS)
        for (int b = 0; b < section.bars; ++b)
            playBar(track, section.kind, section.firstBar + b, b, section.bars);
    return track.finish();
}

std::vector<uint8_t> encodeVorbis(const std::vector<float>& stereo) {
    constexpr int SERIAL = 0x4D51;
    vorbis_info info;
    vorbis_info_init(&info);
    if (vorbis_encode_init_vbr(&info, 2, RATE, 0.45f) != 0) {
        vorbis_info_clear(&info);
        throw std::runtime_error("the Vorbis encoder refused 44.1 kHz stereo");
    }
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_comment_add_tag(&comment, "TITLE", "Marquel demo track");
    vorbis_dsp_state dsp;
    vorbis_block block;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, SERIAL);

    std::vector<uint8_t> file;
    ogg_page page;
    const auto append = [&](const ogg_page& p) {
        file.insert(file.end(), p.header, p.header + p.header_len);
        file.insert(file.end(), p.body, p.body + p.body_len);
    };

    ogg_packet header, headerComment, headerCode;
    vorbis_analysis_headerout(&dsp, &comment, &header, &headerComment, &headerCode);
    ogg_stream_packetin(&stream, &header);
    ogg_stream_packetin(&stream, &headerComment);
    ogg_stream_packetin(&stream, &headerCode);
    while (ogg_stream_flush(&stream, &page) != 0)
        append(page);

    const size_t frames = stereo.size() / 2;
    constexpr size_t CHUNK = 4096;
    bool ended = false;
    for (size_t done = 0; !ended;) {
        const size_t n = std::min(CHUNK, frames - done);
        if (n == 0) {
            vorbis_analysis_wrote(&dsp, 0);
        } else {
            float** buffer = vorbis_analysis_buffer(&dsp, int(n));
            for (size_t i = 0; i < n; ++i) {
                buffer[0][i] = stereo[2 * (done + i)];
                buffer[1][i] = stereo[2 * (done + i) + 1];
            }
            vorbis_analysis_wrote(&dsp, int(n));
            done += n;
        }
        while (vorbis_analysis_blockout(&dsp, &block) == 1) {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&dsp, &packet)) {
                ogg_stream_packetin(&stream, &packet);
                while (ogg_stream_pageout(&stream, &page) != 0) {
                    append(page);
                    ended = ended || ogg_page_eos(&page);
                }
            }
        }
    }

    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return file;
}

} // namespace Music
} // namespace Content
