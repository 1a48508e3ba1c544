#include "marquel/capture/OutputMark.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <vector>

namespace Marquel {

const char* const OUTPUT_MARK = "Marquel";
const char* const PNG_MARK_KEYWORD = "Software";
const char* const FOREIGN_FILE = "the player did not write it, so it is left as it is and nothing "
                                 "was written";

namespace {

// The mark stands in a PNG's chunks before its pixels, and in the header an MP4 of the
// player's begins with; what lies further on is read by no one.
constexpr size_t PNG_HEAD_BYTES = 4096;
constexpr size_t MP4_HEAD_BYTES = 65536;

uint64_t bigEndian(const uint8_t* at, int bytes) {
    uint64_t value = 0;
    for (int i = 0; i < bytes; ++i)
        value = value << 8 | at[i];
    return value;
}

// Up to size bytes from the start of the file; a link is not followed and a pipe not waited
// for. False when it cannot be read.
bool readHead(const std::string& path, size_t size, std::vector<uint8_t>& head) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    head.resize(size);
    size_t got = 0;
    while (got < size) {
        const ssize_t part = ::read(fd, head.data() + got, size - got);
        if (part < 0 && errno == EINTR)
            continue;
        if (part <= 0)
            break;
        got += static_cast<size_t>(part);
    }
    ::close(fd);
    head.resize(got);
    return true;
}

// A "Software" text chunk with the mark, among the chunks before the first pixels.
bool pngMarked(const uint8_t* at, const uint8_t* end) {
    static const uint8_t SIGNATURE[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    if (end - at < 8 || std::memcmp(at, SIGNATURE, 8) != 0)
        return false;
    const std::string wanted = std::string(PNG_MARK_KEYWORD) + '\0' + OUTPUT_MARK;
    for (at += 8; end - at >= 12;) {
        const uint64_t length = bigEndian(at, 4);
        if (length > uint64_t(end - at - 12) || std::memcmp(at + 4, "IDAT", 4) == 0)
            return false;
        if (std::memcmp(at + 4, "tEXt", 4) == 0 &&
            std::string(reinterpret_cast<const char*>(at + 8), length) == wanted)
            return true;
        at += 12 + length;
    }
    return false;
}

// Narrows [at, end) to the contents of its first box of type; false when there is none, or
// when a box runs past the end.
bool enterBox(const uint8_t*& at, const uint8_t*& end, const char* type) {
    while (end - at >= 8) {
        uint64_t size = bigEndian(at, 4);
        uint64_t header = 8;
        if (size == 1 && end - at >= 16)
            size = bigEndian(at + 8, 8), header = 16;
        else if (size == 0)
            size = uint64_t(end - at);
        if (size < header || size > uint64_t(end - at))
            return false;
        if (std::memcmp(at + 4, type, 4) == 0) {
            end = at + size;
            at += header;
            return true;
        }
        at += size;
    }
    return false;
}

// The comment tag of the header's metadata, moov/udta/meta/ilst/"©cmt"/data, is the mark.
// The meta box carries a version before its boxes, the data box a type and a locale.
bool mp4Marked(const uint8_t* at, const uint8_t* end) {
    if (!enterBox(at, end, "moov") || !enterBox(at, end, "udta") || !enterBox(at, end, "meta") ||
        end - at < 4)
        return false;
    at += 4;
    if (!enterBox(at, end, "ilst") ||
        !enterBox(at, end,
                  "\xa9"
                  "cmt") ||
        !enterBox(at, end, "data") || end - at < 8)
        return false;
    return std::string(reinterpret_cast<const char*>(at + 8), end - at - 8) == OUTPUT_MARK;
}

} // namespace

bool foreignFile(const std::string& path, OutputKind kind) {
    struct stat info;
    if (::lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    std::vector<uint8_t> head;
    const bool png = kind == OUTPUT_KIND_PNG;
    if (!readHead(path, png ? PNG_HEAD_BYTES : MP4_HEAD_BYTES, head))
        return true;
    const uint8_t* end = head.data() + head.size();
    return !(png ? pngMarked(head.data(), end) : mp4Marked(head.data(), end));
}

} // namespace Marquel
