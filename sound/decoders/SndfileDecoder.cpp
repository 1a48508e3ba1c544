#include "sound/decoders/SndfileDecoder.h"

#include "sound/decoders/MemoryFile.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace Marquel::Audio {

namespace {

// Frames decoded and dropped per read while a forward-only stream reads on to a seek target.
constexpr int SKIP_FRAMES = 4096;

class SndfileDecoder : public Decoder {
public:
    static std::unique_ptr<Decoder> open(const void* data, size_t size) {
        auto decoder = std::unique_ptr<SndfileDecoder>(new SndfileDecoder(data, size));
        // MP3 is left to libmpg123: libsndfile stops early on VBR files without a length header.
        if (!decoder->reopen() || (decoder->info.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_MPEG ||
            decoder->info.channels < 1 || decoder->info.samplerate < 1)
            return nullptr;
        return decoder;
    }

    ~SndfileDecoder() override {
        if (handle)
            sf_close(handle);
    }

    int rate() const override { return info.samplerate; }
    int channels() const override { return info.channels; }
    int64_t length() const override { return info.frames; }
    int read(int16_t* out, int frames) override {
        if (!handle)
            return 0;
        if (!floats)
            return static_cast<int>(sf_readf_short(handle, out, frames));
        samples.resize(static_cast<size_t>(frames) * info.channels);
        auto got = static_cast<int>(sf_readf_float(handle, samples.data(), frames));
        std::transform(samples.begin(), samples.begin() + got * info.channels, out, toShort);
        return got;
    }
    int64_t seek(int64_t frame) override {
        // Without a length (an Ogg stream cut short) libsndfile's seek has no end to search
        // within: past the last frame it may never return. Such a file is read on instead.
        if (info.frames != SF_COUNT_MAX) {
            sf_count_t at = sf_seek(handle, frame, SEEK_SET);
            if (at >= 0 || info.seekable)
                return at;
        }
        // Some codecs (GSM 6.10, G.72x, NMS ADPCM, DPCM) decode only forwards: start again
        // from the first byte and read on up to the frame.
        if (!reopen())
            return -1;
        std::vector<int16_t> skipped(static_cast<size_t>(SKIP_FRAMES) * info.channels);
        int64_t done = 0;
        while (done < frame) {
            int got = read(skipped.data(),
                           static_cast<int>(std::min<int64_t>(SKIP_FRAMES, frame - done)));
            if (got <= 0)
                break;
            done += got;
        }
        return done;
    }

private:
    // Opens the bytes from their start, closing what was open.
    bool reopen() {
        if (handle)
            sf_close(handle);
        memory.pos = 0;
        SF_VIRTUAL_IO io = {};
        io.get_filelen = [](void* user) -> sf_count_t { return file(user).size; };
        io.seek = [](sf_count_t offset, int whence, void* user) -> sf_count_t {
            return file(user).seek(offset, whence);
        };
        io.read = [](void* out, sf_count_t count, void* user) -> sf_count_t {
            return file(user).read(out, count);
        };
        io.tell = [](void* user) -> sf_count_t { return file(user).pos; };
        SF_INFO fresh = {};
        handle = sf_open_virtual(&io, SFM_READ, &fresh, &memory);
        if (!handle)
            return false;
        info = fresh;
        // Lossy and float data can overshoot full scale. libsndfile's own conversion to 16 bits
        // either wraps such samples or, asked to scale, raises the whole file to its peak
        // (decoding all of it first): these are read as floats and clipped here instead.
        int subtype = info.format & SF_FORMAT_SUBMASK;
        floats = subtype == SF_FORMAT_FLOAT || subtype == SF_FORMAT_DOUBLE ||
                 subtype == SF_FORMAT_VORBIS || subtype == SF_FORMAT_OPUS;
        return true;
    }

    // Full scale is 32768, the scale libsndfile reads 16-bit data to floats with, so 16-bit
    // samples stored as floats come back exact. A sample that is no number plays as silence.
    // Rounded without branches on the sample or a library call (lrint): the signs of music
    // are unpredictable, and this runs for every sample in the audio path.
    static int16_t toShort(float sample) {
        const float scaled = sample == sample ? sample * 32768.0f : 0.0f;
        const float clipped = std::min(std::max(scaled, -32768.0f), 32767.0f);
        return static_cast<int16_t>(clipped + std::copysign(0.5f, clipped));
    }

    SndfileDecoder(const void* data, size_t size)
        : memory{static_cast<const unsigned char*>(data), static_cast<int64_t>(size)} {}
    static MemoryFile& file(void* user) { return *static_cast<MemoryFile*>(user); }

    MemoryFile memory;
    SF_INFO info = {};
    SNDFILE* handle = nullptr;
    bool floats = false;        // read as floats and clipped to 16 bits here
    std::vector<float> samples; // one such read
};

} // namespace

std::unique_ptr<Decoder> openSndfile(const void* data, size_t size) {
    return SndfileDecoder::open(data, size);
}

} // namespace Marquel::Audio
