#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace Marquel::Audio {

// A decoder reading a file straight from the caller's memory as 16-bit interleaved frames at
// the file's own rate and channel count.
class Decoder {
public:
    virtual ~Decoder() = default;
    virtual int rate() const = 0;
    virtual int channels() const = 0;
    // Frames in the whole file, or -1 when the format cannot tell.
    virtual int64_t length() const = 0;
    // Reads up to frames frames into out (frames * channels() values); 0 at the end.
    virtual int read(int16_t* out, int frames) = 0;
    // Moves to frame and answers the frame reading really continues from (a module lands on
    // a row), or -1 when it cannot.
    virtual int64_t seek(int64_t frame) = 0;
};

enum DecoderStatus { DECODER_OK, DECODER_UNKNOWN_FORMAT, DECODER_TRUNCATED };

// Picks the decoder by content: libsndfile, then libopenmpt, then libmpg123. The bytes are
// not copied and must outlive the decoder. A file that none opens counts as truncated when it
// ends inside the header of a format they know (or a module's), as of an unknown format when
// it is whole.
DecoderStatus openDecoder(const void* data, size_t size, std::unique_ptr<Decoder>& decoder);

} // namespace Marquel::Audio
