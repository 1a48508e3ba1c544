// How well the onsets and the proposed tempo fit music whose beat is known: the demo's track
// as make_content writes it, and kinds of music generated here (clicks, a swung groove, hats
// alone, drum'n'bass, a ballad, pads without drums), each with the tempo it was made at, the
// hits that should be found (the demo's kicks) and how far from them the found onsets lie,
// and the analysis's time. Files named on the command line get their proposed tempo only, as
// their beat is not known here.
//
// tempo_bench [music file...]

#include "sound/Onsets.h"
#include "sound/Spectrum.h"
#include "tools/Music.h"
#include "tools/Timing.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

using Marquel::Audio::Onsets;
using Marquel::Audio::Spectrum;
constexpr int RATE = 44100;
// A found onset this close to a hit is that hit.
constexpr double FOUND = 0.005;

// A mono track being written, and the hits it should be found to have.
struct Track {
    explicit Track(double seconds) : samples(static_cast<size_t>(seconds * RATE), 0.0f) {}

    // A hit adds shape(seconds since the hit) for length seconds from time.
    template <typename Shape> void add(double time, double length, Shape shape, bool hit) {
        const auto first = static_cast<size_t>(std::lround(time * RATE));
        for (size_t i = 0; i < size_t(length * RATE) && first + i < samples.size(); ++i)
            samples[first + i] += static_cast<float>(shape(double(i) / RATE));
        if (hit)
            hits.push_back(time);
    }
    // A one-millisecond burst at the highest frequency the rate carries.
    void click(double time, bool hit = true) {
        add(
            time, 0.001, [](double t) { return std::lround(t * RATE) % 2 ? -0.8 : 0.8; }, hit);
    }
    // A sine falling from 150 to 50 Hz, as a kick drum's.
    void kick(double time, double level, bool hit = true) {
        add(
            time, 0.25,
            [level](double t) {
                return level *
                       std::sin(2 * M_PI * (50 * t + 100 / 30.0 * (1 - std::exp(-30 * t)))) *
                       std::exp(-12 * t);
            },
            hit);
    }
    // Decaying noise: a snare with a slow decay, a hat with a fast one.
    void noise(double time, double level, double decay, bool hit = true) {
        add(
            time, 0.2, [&](double t) { return level * spread(random) * std::exp(-decay * t); },
            hit);
    }
    void pad(double time, double length, double hz, double level) {
        add(
            time, length,
            [=](double t) { return level * std::sin(2 * M_PI * hz * t) * std::min(1.0, t / 0.3); },
            false);
    }

    std::vector<float> samples;
    std::vector<double> hits;
    std::mt19937 random{7};
    std::uniform_real_distribution<double> spread{-1, 1};
};

// A 16-bit mono WAV file of the samples, for the decoders to read as they read any music.
std::string wav(const std::vector<float>& samples) {
    std::string bytes;
    const auto put = [&](uint32_t value, int size) {
        for (int i = 0; i < size; ++i)
            bytes += static_cast<char>((value >> (8 * i)) & 0xff);
    };
    const auto data = static_cast<uint32_t>(samples.size() * 2);
    bytes += "RIFF";
    put(36 + data, 4);
    bytes += "WAVEfmt ";
    put(16, 4);
    put(1, 2);
    put(1, 2);
    put(RATE, 4);
    put(RATE * 2, 4);
    put(2, 2);
    put(16, 2);
    bytes += "data";
    put(data, 4);
    for (float sample : samples)
        put(static_cast<uint16_t>(std::lround(std::clamp(sample, -1.0f, 1.0f) * 32767)), 2);
    return bytes;
}

struct Kind {
    Kind(const char* name, double bpm, Track track, std::string bytes = "")
        : name(name), bpm(bpm), track(std::move(track)), bytes(std::move(bytes)) {}

    const char* name;
    double bpm;
    Track track;
    // The file the decoders read: a WAV of the track's samples unless given.
    std::string bytes;
};

// The demo's track, Ogg Vorbis as the player reads it, with its kicks as the hits: on each
// beat where the drums play, on each bar's downbeat in the break.
Kind demoTrack() {
    using namespace Content::Timing;
    const std::vector<uint8_t> ogg = Content::Music::encodeVorbis(Content::Music::render());
    Kind demo{"the demo's track", BPM, Track(0), std::string(ogg.begin(), ogg.end())};
    for (const Section& section : SECTIONS) {
        const bool drums = section.kind == SECTION_BUILD || section.kind == SECTION_DROP ||
                           section.kind == SECTION_DROP2 || section.kind == SECTION_OUTRO;
        const int bars = section.kind == SECTION_OUTRO ? OUTRO_DRUM_BARS : section.bars;
        for (int bar = 0; bar < bars && (drums || section.kind == SECTION_BREAK); ++bar)
            for (int beat = 0; beat < (drums ? BEATS_PER_BAR : 1); ++beat)
                demo.track.hits.push_back(section.start() + bar * BAR + beat * BEAT);
    }
    return demo;
}

// Each kind plays 30 s with its first beat at 0, but for the clicks at 120 bpm (0.25 s) and
// those above the range (0.1 s).
std::vector<Kind> kinds() {
    std::vector<Kind> all{demoTrack()};
    const auto each = [](Track& track, double step, double until, auto play) {
        int k = 0;
        for (double t = 0; t < until; t += step)
            play(track, t, k++);
    };
    Track clicks120(30);
    each(clicks120, 0.5, 29, [](Track& t, double at, int) { t.click(at + 0.25); });
    all.push_back({"clicks", 120, clicks120});
    Track clicks97(30);
    each(clicks97, 60 / 97.0, 29, [](Track& t, double at, int) { t.click(at); });
    all.push_back({"clicks", 97, clicks97});
    const double swing = 60 / 128.0;
    Track swung(30);
    each(swung, swing, 29, [=](Track& t, double at, int k) {
        if (k % 2 == 0)
            t.kick(at, 0.8);
        else
            t.noise(at, 0.4, 25);
        t.noise(at + swing * 2 / 3, 0.1, 80, false);
        t.pad(at, swing, 220 * (1 + k % 3), 0.05);
    });
    all.push_back({"swung kick and snare, swung hats, chords", 128, swung});
    Track hats(30);
    each(hats, 60 / 90.0 / 2, 29,
         [](Track& t, double at, int k) { t.noise(at, 0.2, 60, k % 2 == 0); });
    all.push_back({"hats alone on eighths", 90, hats});
    const auto sixteenths = [](bool offbeatSnare) {
        Track track(30);
        const double sixteenth = 60 / 140.0 / 4;
        int k = 0;
        for (double at = 0; at < 29; at += sixteenth, ++k) {
            track.noise(at, 0.1, 90, false);
            if (k % 4 == 0)
                track.kick(at, 0.6);
            if (k % 8 == (offbeatSnare ? 6 : 4))
                track.noise(at, 0.3, 20, false);
        }
        return track;
    };
    all.push_back({"sixteenth hats, kick each beat, snare on 2 and 4", 140, sixteenths(false)});
    all.push_back({"the same with the snare half a beat late", 140, sixteenths(true)});
    Track dnb(30);
    each(dnb, 60 / 174.0 / 2, 29, [](Track& t, double at, int k) {
        t.noise(at, 0.08, 90, false);
        if (k % 8 == 0 || k % 8 == 5)
            t.kick(at, 0.6, k % 2 == 0);
        if (k % 4 == 2)
            t.noise(at, 0.3, 20);
    });
    all.push_back({"drum'n'bass: kick 1 and 3.5, snare 2 and 4", 174, dnb});
    Track ballad(30);
    each(ballad, 60 / 70.0 / 2, 29, [](Track& t, double at, int k) {
        t.noise(at, 0.06, 90, false);
        if (k % 8 == 0)
            t.kick(at, 0.6);
        if (k % 8 == 4)
            t.noise(at, 0.3, 20);
    });
    all.push_back({"ballad: kick 1, snare 3, soft eighth hats", 70, ballad});
    Track fast(30);
    each(fast, 0.25, 29, [](Track& t, double at, int) { t.click(at + 0.1); });
    all.push_back({"clicks above the range", 240, fast});
    Track pads(30);
    each(pads, 0.8, 29,
         [](Track& t, double at, int) { t.pad(at, 0.8, 180 + 40 * std::fmod(at, 3), 0.2); });
    all.push_back({"chords alone, no drums", 75, pads});
    return all;
}

double millisecondsSince(std::chrono::steady_clock::time_point from) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - from)
        .count();
}

} // namespace

int main(int argc, char** argv) {
    std::printf("| music | made at (bpm) | proposed (bpm) | first beat (s) | hits found within "
                "5 ms | mean / worst error (ms) | analysis (ms) |\n");
    std::printf("|---|---:|---:|---:|---:|---:|---:|\n");
    for (const Kind& kind : kinds()) {
        const std::string bytes = kind.bytes.empty() ? wav(kind.track.samples) : kind.bytes;
        Spectrum spectrum(bytes.data(), bytes.size());
        const auto began = std::chrono::steady_clock::now();
        const Onsets onsets(spectrum);
        const double ms = millisecondsSince(began);
        size_t found = 0;
        double sum = 0;
        double worst = 0;
        for (double hit : kind.track.hits) {
            double nearest = 1e9;
            for (const Onsets::Onset& onset : onsets.all())
                nearest = std::min(nearest, std::abs(onset.time - hit));
            if (nearest <= FOUND) {
                ++found;
                sum += nearest;
                worst = std::max(worst, nearest);
            }
        }
        std::printf("| %s | %.0f | %.3f | %.4f | %zu of %zu | %.2f / %.2f | %.0f |\n", kind.name,
                    kind.bpm, onsets.tempo().bpm, onsets.tempo().firstBeat, found,
                    kind.track.hits.size(), found ? sum / double(found) * 1000 : 0.0, worst * 1000,
                    ms);
    }
    for (int i = 1; i < argc; ++i) {
        std::ifstream in(argv[i], std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), {});
        try {
            Spectrum spectrum(bytes.data(), bytes.size());
            const auto began = std::chrono::steady_clock::now();
            const Onsets onsets(spectrum);
            std::printf("| %s | | %.3f | %.4f | %zu onsets | | %.0f |\n", argv[i],
                        onsets.tempo().bpm, onsets.tempo().firstBeat, onsets.all().size(),
                        millisecondsSince(began));
        } catch (const std::exception& e) {
            std::fprintf(stderr, "Error: %s: %s\n", argv[i], e.what());
            return 1;
        }
    }
    return 0;
}
