#include "sound/Decoder.h"

#include <libopenmpt/libopenmpt.h>
#include <mpg123.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <vector>

namespace Marquel::Audio {

namespace {

// Frames decoded and dropped per read while a forward-only stream reads on to a seek target.
constexpr int SKIP_FRAMES = 4096;

// The caller's bytes seen as a file, for the libraries that read through callbacks.
struct MemoryFile {
    const unsigned char* data;
    int64_t size;
    int64_t pos = 0;

    int64_t read(void* out, int64_t count) {
        int64_t n = count < size - pos ? count : size - pos;
        if (n <= 0)
            return 0;
        std::memcpy(out, data + pos, static_cast<size_t>(n));
        pos += n;
        return n;
    }

    int64_t seek(int64_t offset, int whence) {
        int64_t base = whence == SEEK_CUR ? pos : whence == SEEK_END ? size : 0;
        if (base + offset < 0 || base + offset > size)
            return -1;
        pos = base + offset;
        return pos;
    }
};

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
        sf_count_t at = sf_seek(handle, frame, SEEK_SET);
        if (at >= 0 || info.seekable)
            return at;
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

class Mpg123Decoder : public Decoder {
public:
    static std::unique_ptr<Decoder> open(const void* data, size_t size) {
        static std::once_flag initialised;
        std::call_once(initialised, [] { mpg123_init(); });
        auto decoder = std::unique_ptr<Mpg123Decoder>(new Mpg123Decoder(data, size));
        mpg123_handle* mh = decoder->handle = mpg123_new(nullptr, nullptr);
        if (!mh)
            return nullptr;
        mpg123_param(mh, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
        // After a seek, frames before the target refill the bit reservoir and the filter bank;
        // with fewer, the first 60 ms or so come out silent.
        mpg123_param(mh, MPG123_PREFRAMES, 8, 0);
        // Always stereo 16-bit at the file's own rate: mpg123 doubles mono frames itself.
        mpg123_format_none(mh);
        const long* rates = nullptr;
        size_t rateCount = 0;
        mpg123_rates(&rates, &rateCount);
        for (size_t i = 0; i < rateCount; ++i)
            mpg123_format(mh, rates[i], MPG123_STEREO, MPG123_ENC_SIGNED_16);
        mpg123_replace_reader_handle(
            mh,
            [](void* user, void* out, size_t count) -> ssize_t {
                return static_cast<ssize_t>(
                    static_cast<MemoryFile*>(user)->read(out, static_cast<int64_t>(count)));
            },
            [](void* user, off_t offset, int whence) -> off_t {
                return static_cast<off_t>(static_cast<MemoryFile*>(user)->seek(offset, whence));
            },
            nullptr);
        long frameRate = 0;
        int channelCount = 0, encoding = 0;
        // Scanning the whole stream gives the exact length, also for VBR without a header.
        if (mpg123_open_handle(mh, &decoder->memory) != MPG123_OK || mpg123_scan(mh) != MPG123_OK ||
            mpg123_getformat(mh, &frameRate, &channelCount, &encoding) != MPG123_OK)
            return nullptr;
        decoder->frameRate = static_cast<int>(frameRate);
        decoder->frames = mpg123_length(mh);
        if (decoder->frames <= 0)
            return nullptr;
        return decoder;
    }

    ~Mpg123Decoder() override {
        if (handle) {
            mpg123_close(handle);
            mpg123_delete(handle);
        }
    }

    int rate() const override { return frameRate; }
    int channels() const override { return 2; }
    int64_t length() const override { return frames; }
    int read(int16_t* out, int count) override {
        size_t done = 0;
        int status = MPG123_NEW_FORMAT;
        while (status == MPG123_NEW_FORMAT && done == 0)
            status = mpg123_read(handle, out, static_cast<size_t>(count) * 4, &done);
        return static_cast<int>(done / 4);
    }
    int64_t seek(int64_t frame) override {
        off_t at = mpg123_seek(handle, static_cast<off_t>(frame), SEEK_SET);
        return at < 0 ? -1 : at;
    }

private:
    Mpg123Decoder(const void* data, size_t size)
        : memory{static_cast<const unsigned char*>(data), static_cast<int64_t>(size)} {}

    MemoryFile memory;
    mpg123_handle* handle = nullptr;
    int frameRate = 0;
    int64_t frames = 0;
};

// Tracker modules render at the output rate directly.
class ModuleDecoder : public Decoder {
public:
    static constexpr int RATE = 44100;

    static std::unique_ptr<Decoder> open(const void* data, size_t size) {
        int error = 0;
        openmpt_module* module = openmpt_module_create_from_memory2(
            data, size, openmpt_log_func_silent, nullptr, openmpt_error_func_ignore, nullptr,
            &error, nullptr, nullptr);
        if (!module)
            return nullptr;
        return std::unique_ptr<Decoder>(new ModuleDecoder(module));
    }

    ~ModuleDecoder() override { openmpt_module_destroy(module); }

    int rate() const override { return RATE; }
    int channels() const override { return 2; }
    int64_t length() const override { return frames; }
    int read(int16_t* out, int count) override {
        return static_cast<int>(openmpt_module_read_interleaved_stereo(module, RATE, count, out));
    }
    int64_t seek(int64_t frame) override {
        double at = openmpt_module_set_position_seconds(module, static_cast<double>(frame) / RATE);
        return std::llround(at * RATE);
    }

private:
    explicit ModuleDecoder(openmpt_module* module)
        : module(module), frames(std::llround(openmpt_module_get_duration_seconds(module) * RATE)) {
    }

    openmpt_module* module;
    int64_t frames;
};

int probeModule(const void* data, size_t size) {
    return openmpt_probe_file_header(OPENMPT_PROBE_FILE_HEADER_FLAGS_DEFAULT, data, size, size,
                                     openmpt_log_func_silent, nullptr, openmpt_error_func_ignore,
                                     nullptr, nullptr, nullptr);
}

bool startsWith(const unsigned char* data, size_t size, const char* tag) {
    size_t n = std::strlen(tag);
    return size >= n && std::memcmp(data, tag, n) == 0;
}

// A valid MPEG audio frame header: the layer bits rule out AAC's ADTS headers, which share
// the sync bits.
bool isMpegFrame(const unsigned char* data, size_t size) {
    return size >= 4 && data[0] == 0xFF && (data[1] & 0xE0) == 0xE0 && (data[1] & 0x18) != 0x08 &&
           (data[1] & 0x06) != 0 && (data[2] & 0xF0) != 0xF0 && (data[2] & 0x0C) != 0x0C;
}

// MP3 is only tried on an ID3 tag or a frame header at the start: mpg123 resynchronises on
// anything, and would otherwise hear noise in any file at all.
bool looksLikeMpeg(const unsigned char* data, size_t size) {
    return startsWith(data, size, "ID3") || isMpegFrame(data, size);
}

uint64_t readNumber(const unsigned char* data, int bytes, bool bigEndian) {
    uint64_t value = 0;
    for (int i = 0; i < bytes; ++i)
        value |= static_cast<uint64_t>(data[bigEndian ? i : bytes - 1 - i])
                 << (8 * (bytes - 1 - i));
    return value;
}

// A file of chunks, each a four-letter name and a length, one of which holds the audio.
struct ChunkLayout {
    size_t first;      // offset of the first chunk
    const char* audio; // the chunk that holds the samples
    int sizeBytes;     // of a chunk's length
    bool bigEndian;
    bool padded; // chunks of odd length are followed by a pad byte
};

// Whether the file is cut short: it ends before its audio chunk, or inside the audio (which
// libsndfile refuses in some formats). The audio chunk is a must: a file without one is cut
// or damaged.
bool chunksCut(const unsigned char* data, size_t size, const ChunkLayout& layout) {
    size_t header = 4 + static_cast<size_t>(layout.sizeBytes);
    // An audio length of all ones means "up to the end of the file".
    uint64_t toEnd = ~uint64_t(0) >> (64 - 8 * layout.sizeBytes);
    size_t at = layout.first;
    while (at <= size && size - at >= header) {
        uint64_t length = readNumber(data + at + 4, layout.sizeBytes, layout.bigEndian);
        bool audio = std::memcmp(data + at, layout.audio, 4) == 0;
        at += header;
        if (audio)
            return length != toEnd && length > size - at;
        if (length > size - at)
            return true;
        at += static_cast<size_t>(length + (layout.padded ? length & 1 : 0));
    }
    return true;
}

bool flacMetadataCut(const unsigned char* data, size_t size) {
    for (size_t at = 4; size - at >= 4;) {
        bool last = data[at] & 0x80;
        at += 4 + static_cast<size_t>(readNumber(data + at + 1, 3, true));
        if (at > size)
            return true;
        if (last)
            return false;
    }
    return true;
}

// Whether a file that no decoder opens is music of a format they know, cut short (or
// damaged) before its audio. A whole file is of an unknown format, also in a container that
// music uses too (a WebP or an AVI in RIFF, Theora in Ogg, a WAV of an unknown codec) or
// with sync bits like MP3's (AAC).
bool cutInHeader(const unsigned char* data, size_t size) {
    // libsndfile and libmpg123 both read on past ID3 tags.
    while (startsWith(data, size, "ID3")) {
        if (size < 10)
            return true;
        size_t tag = 10 + (data[5] & 0x10 ? 10 : 0) + (data[6] & 0x7F) * 0x200000u +
                     (data[7] & 0x7F) * 0x4000u + (data[8] & 0x7F) * 0x80u + (data[9] & 0x7F);
        if (tag > size || size - tag < 4)
            return true;
        data += tag;
        size -= tag;
    }
    if (startsWith(data, size, "RIFF") || startsWith(data, size, "RF64") ||
        startsWith(data, size, "RIFX")) {
        if (size < 12)
            return true;
        return startsWith(data + 8, 4, "WAVE") &&
               chunksCut(data, size, {12, "data", 4, data[3] == 'X', true});
    }
    if (startsWith(data, size, "FORM")) {
        if (size < 12)
            return true;
        bool aiff = startsWith(data + 8, 4, "AIFF") || startsWith(data + 8, 4, "AIFC");
        bool svx = startsWith(data + 8, 4, "8SVX") || startsWith(data + 8, 4, "16SV");
        return (aiff || svx) && chunksCut(data, size, {12, aiff ? "SSND" : "BODY", 4, true, true});
    }
    if (startsWith(data, size, "caff"))
        return chunksCut(data, size, {8, "data", 8, true, false});
    if (startsWith(data, size, "OggS")) {
        // The first packet names the stream's codec.
        size_t packet = size < 27 ? size : 27 + data[26];
        if (size < packet + 8)
            return true;
        for (const char* codec : {"\x01vorbis", "OpusHead", "\177FLAC"})
            if (startsWith(data + packet, 8, codec))
                return true;
        return false;
    }
    if (startsWith(data, size, "fLaC"))
        return flacMetadataCut(data, size);
    if (startsWith(data, size, ".snd"))
        return size < 24 || size < readNumber(data + 4, 4, true);
    return isMpegFrame(data, size);
}

} // namespace

DecoderStatus openDecoder(const void* data, size_t size, std::unique_ptr<Decoder>& decoder) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    decoder = SndfileDecoder::open(data, size);
    int module = OPENMPT_PROBE_FILE_HEADER_RESULT_FAILURE;
    if (!decoder) {
        module = probeModule(data, size);
        if (module == OPENMPT_PROBE_FILE_HEADER_RESULT_SUCCESS)
            decoder = ModuleDecoder::open(data, size);
    }
    if (!decoder && looksLikeMpeg(bytes, size))
        decoder = Mpg123Decoder::open(data, size);
    if (decoder)
        return DECODER_OK;
    if (module != OPENMPT_PROBE_FILE_HEADER_RESULT_FAILURE || cutInHeader(bytes, size))
        return DECODER_TRUNCATED;
    return DECODER_UNKNOWN_FORMAT;
}

} // namespace Marquel::Audio
