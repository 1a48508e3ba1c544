#include "sound/decoders/Mpg123Decoder.h"

#include "sound/decoders/MemoryFile.h"

#include <mpg123.h>

#include <mutex>

namespace Marquel::Audio {

namespace {

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

} // namespace

std::unique_ptr<Decoder> openMpg123(const void* data, size_t size) {
    return Mpg123Decoder::open(data, size);
}

} // namespace Marquel::Audio
