#include "sound/decoders/FileKinds.h"

#include <cstdint>
#include <cstring>
#include <initializer_list>

namespace Marquel::Audio {

namespace {

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

} // namespace

bool looksLikeMpeg(const unsigned char* data, size_t size) {
    return startsWith(data, size, "ID3") || isMpegFrame(data, size);
}

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

} // namespace Marquel::Audio
