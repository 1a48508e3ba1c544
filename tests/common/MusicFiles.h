#pragma once
// Music made by the tests: signals whose content tells where in the file a frame came from,
// encoded with libsndfile, and tracker modules built byte by byte.

#include <sndfile.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace sound_test {

constexpr int RATE = 44100;
using Frames = std::vector<int16_t>; // interleaved stereo

// Each frame names its own index: left 1 + index % 30000, right 1 + index / 30000. Nothing
// in it is zero, so silence in the output is never the file.
inline Frames markerFrames(double seconds) {
    Frames frames;
    auto count = static_cast<int64_t>(seconds * RATE);
    for (int64_t i = 0; i < count; ++i) {
        frames.push_back(static_cast<int16_t>(1 + i % 30000));
        frames.push_back(static_cast<int16_t>(1 + i / 30000));
    }
    return frames;
}

inline int64_t markerIndex(const int16_t* frame) {
    return static_cast<int64_t>(frame[1] - 1) * 30000 + (frame[0] - 1);
}

// A low tone until switchAt seconds, a high one after: a seek shows as where the high one
// begins in the output.
constexpr double LOW_HZ = 300, HIGH_HZ = 1500;

inline Frames twoTones(double seconds, double switchAt, int rate = RATE) {
    Frames frames;
    double phase = 0;
    auto count = static_cast<int64_t>(seconds * rate);
    for (int64_t i = 0; i < count; ++i) {
        double hz = static_cast<double>(i) / rate < switchAt ? LOW_HZ : HIGH_HZ;
        phase += 2 * M_PI * hz / rate;
        auto v = static_cast<int16_t>(12000 * std::sin(phase));
        frames.push_back(v);
        frames.push_back(v);
    }
    return frames;
}

// Tone per 10 ms window of the output: 0 silence, 1 low, 2 high (by zero crossings).
inline std::vector<int> toneWindows(const Frames& out, size_t fromFrame = 0) {
    constexpr size_t WINDOW = RATE / 100;
    std::vector<int> kinds;
    for (size_t w = fromFrame; w + WINDOW <= out.size() / 2; w += WINDOW) {
        int crossings = 0, loud = 0;
        for (size_t i = w; i < w + WINDOW; ++i) {
            int v = out[2 * i] + out[2 * i + 1];
            loud = std::max(loud, std::abs(v));
            if (i > w && (v >= 0) != (out[2 * i - 2] + out[2 * i - 1] >= 0))
                ++crossings;
        }
        // Low gives about 6 crossings per window, high about 30.
        kinds.push_back(loud < 500 ? 0 : crossings < 15 ? 1 : 2);
    }
    return kinds;
}

// Writes frames in the given libsndfile format into memory. With one channel the file holds
// the left side alone.
inline std::string encode(int format, const Frames& frames, int rate = RATE, int bitrateMode = -1,
                          int channels = 2) {
    struct Buffer {
        std::string bytes;
        sf_count_t pos = 0;
    } buffer;
    SF_VIRTUAL_IO io = {};
    io.get_filelen = [](void* u) -> sf_count_t {
        return static_cast<sf_count_t>(static_cast<Buffer*>(u)->bytes.size());
    };
    io.seek = [](sf_count_t offset, int whence, void* u) -> sf_count_t {
        auto* b = static_cast<Buffer*>(u);
        sf_count_t base = whence == SEEK_CUR   ? b->pos
                          : whence == SEEK_END ? static_cast<sf_count_t>(b->bytes.size())
                                               : 0;
        return b->pos = base + offset;
    };
    io.read = [](void* out, sf_count_t count, void* u) -> sf_count_t {
        auto* b = static_cast<Buffer*>(u);
        sf_count_t n =
            std::min<sf_count_t>(count, static_cast<sf_count_t>(b->bytes.size()) - b->pos);
        if (n <= 0)
            return 0;
        std::memcpy(out, b->bytes.data() + b->pos, static_cast<size_t>(n));
        b->pos += n;
        return n;
    };
    io.write = [](const void* in, sf_count_t count, void* u) -> sf_count_t {
        auto* b = static_cast<Buffer*>(u);
        if (b->bytes.size() < static_cast<size_t>(b->pos + count))
            b->bytes.resize(static_cast<size_t>(b->pos + count));
        std::memcpy(&b->bytes[static_cast<size_t>(b->pos)], in, static_cast<size_t>(count));
        b->pos += count;
        return count;
    };
    io.tell = [](void* u) -> sf_count_t { return static_cast<Buffer*>(u)->pos; };
    SF_INFO info = {};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* file = sf_open_virtual(&io, SFM_WRITE, &info, &buffer);
    if (!file)
        return {};
    if (bitrateMode >= 0)
        sf_command(file, SFC_SET_BITRATE_MODE, &bitrateMode, sizeof bitrateMode);
    int subtype = format & SF_FORMAT_SUBMASK;
    if ((format & SF_FORMAT_TYPEMASK) == SF_FORMAT_MPEG || subtype == SF_FORMAT_FLOAT ||
        subtype == SF_FORMAT_DOUBLE) {
        // libsndfile 1.2.0 garbles 16-bit input on its way to LAME, and stores it unscaled in
        // float files, whose full scale is 1.0; floats encode cleanly.
        std::vector<float> scaled(frames.begin(), frames.end());
        for (float& v : scaled)
            v /= 32768.0f;
        sf_writef_float(file, scaled.data(), static_cast<sf_count_t>(scaled.size() / 2));
    } else if (channels == 1) {
        Frames left;
        for (size_t i = 0; i < frames.size(); i += 2)
            left.push_back(frames[i]);
        sf_writef_short(file, left.data(), static_cast<sf_count_t>(left.size()));
    } else {
        sf_writef_short(file, frames.data(), static_cast<sf_count_t>(frames.size() / 2));
    }
    sf_close(file);
    return buffer.bytes;
}

inline std::string wav(const Frames& frames, int rate = RATE) {
    return encode(SF_FORMAT_WAV | SF_FORMAT_PCM_16, frames, rate);
}
inline std::string ogg(const Frames& frames, int rate = RATE) {
    return encode(SF_FORMAT_OGG | SF_FORMAT_VORBIS, frames, rate);
}
// libsndfile writes MP3 through LAME.
inline std::string mp3(const Frames& frames, int rate = RATE, bool variable = false) {
    return encode(SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, frames, rate,
                  variable ? SF_BITRATE_MODE_VARIABLE : -1);
}

// GSM 6.10 in a WAV, mono at 8 kHz as telephone systems record it. Its decoder cannot seek:
// only reading on from the start reaches a later frame.
inline std::string gsmWav(const Frames& frames) {
    return encode(SF_FORMAT_WAV | SF_FORMAT_GSM610, frames, 8000, -1, 1);
}

// A four-channel module: pattern 0 plays a low note on every row, pattern 1 a high one, in
// that order. At speed 6 and 125 BPM a row lasts 120 ms, a pattern 7.68 s.
constexpr double ROW_MS = 120, PATTERN_MS = 64 * ROW_MS;

inline std::string twoPatternModule() {
    std::string mod(20, '\0');
    mod.replace(0, 9, "two tones");
    constexpr int SAMPLE_BYTES = 16;
    for (int s = 0; s < 31; ++s) {
        std::string header(30, '\0');
        if (s == 0) {
            header[22] = 0;
            header[23] = SAMPLE_BYTES / 2; // length in words
            header[25] = 64;               // volume
            header[29] = SAMPLE_BYTES / 2; // loop the whole sample
        } else {
            header[29] = 1; // an empty sample's loop length is one word
        }
        mod += header;
    }
    mod += static_cast<char>(2);   // orders
    mod += static_cast<char>(127); // restart byte
    std::string orders(128, '\0');
    orders[1] = 1;
    mod += orders + "M.K.";
    for (int period : {856, 214}) { // C-1 and C-3: about 259 Hz and 1036 Hz
        for (int row = 0; row < 64; ++row) {
            for (int channel = 0; channel < 4; ++channel) {
                bool note = channel < 2;
                mod += static_cast<char>(note ? (period >> 8) & 0x0F : 0);
                mod += static_cast<char>(note ? period & 0xFF : 0);
                mod += static_cast<char>(note ? 0x10 : 0); // sample 1
                mod += '\0';
            }
        }
    }
    for (int i = 0; i < SAMPLE_BYTES; ++i) // a square wave, one cycle
        mod += static_cast<char>(i < SAMPLE_BYTES / 2 ? 100 : -100);
    return mod;
}

} // namespace sound_test
