// Decoding speed of the music library, per format: the whole stream through our decoder and
// stream (what the audio callback runs) against each library's own plain decode loop over the
// same bytes. Counter music_s_per_cpu_s: seconds of music decoded per second of CPU. Also the
// cost of one spectrum window, what a frame that shows the spectrum pays.

#include "sound/Decoder.h"
#include "sound/Spectrum.h"
#include "sound/Stream.h"
#include "tests/common/MusicFiles.h"

#include <benchmark/benchmark.h>
#include <libopenmpt/libopenmpt.h>
#include <mpg123.h>
#include <sndfile.h>

#include <cstring>
#include <map>

using namespace sound_test;

namespace {

constexpr double SECONDS = 20;
constexpr int BLOCK = 1024;

enum Format { WAV, FLAC, VORBIS, OPUS, MP3, MOD };

// A 20 s piece with a tone change every second, so the lossy coders have work to do.
Frames music(int rate) {
    Frames frames;
    for (int s = 0; s < SECONDS; ++s) {
        Frames second = twoTones(1, s % 2 ? 0.0 : 1.0, rate);
        frames.insert(frames.end(), second.begin(), second.end());
    }
    return frames;
}

std::string moduleOfLength() {
    // Two patterns of 7.68 s; a third order (pattern 0 again) passes 20 s.
    std::string mod = twoPatternModule();
    mod[950] = 3; // the song length byte follows the title and 31 sample headers
    return mod;
}

const std::string& file(Format format) {
    static std::map<Format, std::string> files;
    auto& bytes = files[format];
    if (bytes.empty()) {
        switch (format) {
        case WAV:
            bytes = wav(music(RATE));
            break;
        case FLAC:
            bytes = encode(SF_FORMAT_FLAC | SF_FORMAT_PCM_16, music(RATE));
            break;
        case VORBIS:
            bytes = ogg(music(RATE));
            break;
        case OPUS:
            bytes = encode(SF_FORMAT_OGG | SF_FORMAT_OPUS, music(48000), 48000);
            break;
        case MP3:
            bytes = mp3(music(RATE));
            break;
        case MOD:
            bytes = moduleOfLength();
            break;
        }
    }
    return bytes;
}

void report(benchmark::State& state, double seconds) {
    state.counters["music_s_per_cpu_s"] = benchmark::Counter(
        seconds * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void ours(benchmark::State& state, Format format) {
    const std::string& bytes = file(format);
    std::vector<int> mix(BLOCK * 2);
    double seconds = 0;
    for (auto _ : state) {
        std::unique_ptr<Marquel::Audio::Decoder> decoder;
        Marquel::Audio::openDecoder(bytes.data(), bytes.size(), decoder);
        Marquel::Audio::Stream stream(*decoder);
        int64_t total = decoder->length() * Marquel::Audio::OUTPUT_RATE / decoder->rate();
        for (int64_t done = 0; done < total; done += BLOCK)
            stream.render(mix.data(), BLOCK, true);
        seconds = static_cast<double>(total) / Marquel::Audio::OUTPUT_RATE;
        benchmark::DoNotOptimize(mix.data());
    }
    report(state, seconds);
}

// The plain loops: each library's own reading of the same bytes, nothing else.
struct Bytes {
    const std::string* data;
    sf_count_t pos = 0;
};

double plainSndfile(const std::string& bytes, std::vector<int16_t>& buffer) {
    Bytes in{&bytes};
    SF_VIRTUAL_IO io = {};
    io.get_filelen = [](void* u) -> sf_count_t {
        return static_cast<sf_count_t>(static_cast<Bytes*>(u)->data->size());
    };
    io.seek = [](sf_count_t offset, int whence, void* u) -> sf_count_t {
        auto* b = static_cast<Bytes*>(u);
        sf_count_t size = static_cast<sf_count_t>(b->data->size());
        return b->pos = (whence == SEEK_CUR ? b->pos : whence == SEEK_END ? size : 0) + offset;
    };
    io.read = [](void* out, sf_count_t count, void* u) -> sf_count_t {
        auto* b = static_cast<Bytes*>(u);
        sf_count_t n = std::min(count, static_cast<sf_count_t>(b->data->size()) - b->pos);
        std::memcpy(out, b->data->data() + b->pos, static_cast<size_t>(std::max<sf_count_t>(n, 0)));
        b->pos += std::max<sf_count_t>(n, 0);
        return std::max<sf_count_t>(n, 0);
    };
    io.tell = [](void* u) -> sf_count_t { return static_cast<Bytes*>(u)->pos; };
    SF_INFO info = {};
    SNDFILE* f = sf_open_virtual(&io, SFM_READ, &info, &in);
    // Ours reads lossy data as floats and clips it to 16 bits itself: the peer reads the
    // same floats, libsndfile's own decode with no conversion after it.
    int subtype = info.format & SF_FORMAT_SUBMASK;
    bool floats = subtype == SF_FORMAT_VORBIS || subtype == SF_FORMAT_OPUS;
    std::vector<float> samples(floats ? buffer.size() : 0);
    sf_count_t total = 0;
    while (sf_count_t got = floats ? sf_readf_float(f, samples.data(), BLOCK)
                                   : sf_readf_short(f, buffer.data(), BLOCK))
        total += got;
    sf_close(f);
    return static_cast<double>(total) / info.samplerate;
}

double plainMpg123(const std::string& bytes, std::vector<int16_t>& buffer) {
    mpg123_handle* mh = mpg123_new(nullptr, nullptr);
    mpg123_open_feed(mh);
    mpg123_feed(mh, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    size_t done = 0, total = 0;
    long rate = RATE;
    int status;
    while ((status = mpg123_read(mh, buffer.data(), BLOCK * 4, &done)) == MPG123_OK ||
           status == MPG123_NEW_FORMAT)
        total += done;
    mpg123_delete(mh);
    return static_cast<double>(total) / 4 / static_cast<double>(rate);
}

double plainOpenmpt(const std::string& bytes, std::vector<int16_t>& buffer) {
    openmpt_module* module =
        openmpt_module_create_from_memory2(bytes.data(), bytes.size(), openmpt_log_func_silent,
                                           nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    size_t total = 0;
    while (size_t got = openmpt_module_read_interleaved_stereo(module, RATE, BLOCK, buffer.data()))
        total += got;
    openmpt_module_destroy(module);
    return static_cast<double>(total) / RATE;
}

void plain(benchmark::State& state, Format format) {
    const std::string& bytes = file(format);
    std::vector<int16_t> buffer(BLOCK * 2);
    double seconds = 0;
    for (auto _ : state) {
        seconds = format == MP3   ? plainMpg123(bytes, buffer)
                  : format == MOD ? plainOpenmpt(bytes, buffer)
                                  : plainSndfile(bytes, buffer);
        benchmark::DoNotOptimize(buffer.data());
    }
    report(state, seconds);
}

// One window per call, a 60 fps frame's step apart through the 20 s piece.
void spectrum(benchmark::State& state) {
    const std::string& bytes = file(WAV);
    Marquel::Audio::Spectrum spectrum(bytes.data(), bytes.size());
    float bins[Marquel::Audio::Spectrum::BINS];
    int frame = 0;
    for (auto _ : state) {
        spectrum.at(frame++ % static_cast<int>(SECONDS * 60) / 60.0, bins);
        benchmark::DoNotOptimize(bins);
    }
}

} // namespace

#define FORMAT_PAIR(name)                                                                          \
    BENCHMARK_CAPTURE(ours, name, name)->Unit(benchmark::kMillisecond);                            \
    BENCHMARK_CAPTURE(plain, name, name)->Unit(benchmark::kMillisecond);

FORMAT_PAIR(WAV)
FORMAT_PAIR(FLAC)
FORMAT_PAIR(VORBIS)
FORMAT_PAIR(OPUS)
FORMAT_PAIR(MP3)
FORMAT_PAIR(MOD)
BENCHMARK(spectrum)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
