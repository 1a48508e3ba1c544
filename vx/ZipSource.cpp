#include "vx/ZipSource.h"

#include "vx/FileName.h"
#include "vx/ImageCodec.h"

#include <algorithm>
#include <cstdint>
#include <ioapi.h>
#include <sys/stat.h>
#include <vector>

namespace Vx {

namespace {

// Lookup that ignores ASCII case; minizip's 0 means case-sensitive on this platform.
const int CASE_INSENSITIVE = 2;
// Entries grow in steps of this size, so a header claiming a huge size cannot make us
// allocate it before the bytes are really there.
const size_t READ_STEP = 1 << 20;

std::string entryName(const std::string& name) {
    size_t skip = 0;
    if (skip < name.size() && name[skip] == '.')
        ++skip;
    if (skip < name.size() && isPathSeparator(name[skip]))
        ++skip;
    return name.substr(skip);
}

// A link's bytes are the path it leads to, not a file. Unix and macOS keep the file's mode in
// the high half of the external attributes.
bool isLink(const unz_file_info& info) {
    const uLong host = info.version >> 8;
    return (host == 3 || host == 19) && ((info.external_fa >> 16) & S_IFMT) == S_IFLNK;
}

// Reads the open entry whole; false when it ends early or a read fails. The buffer doubles as
// bytes arrive, but never past the size the entry declares.
bool readEntry(unzFile handle, size_t expected, std::vector<uint8_t>& data) {
    data.reserve(std::min(expected, READ_STEP));
    while (data.size() < expected) {
        size_t have = data.size();
        size_t step = std::min(expected - have, READ_STEP);
        if (have + step > data.capacity())
            data.reserve(std::min(expected, std::max(have + step, data.capacity() * 2)));
        data.resize(have + step);
        int got = unzReadCurrentFile(handle, data.data() + have, static_cast<unsigned>(step));
        if (got <= 0)
            return false;
        data.resize(have + static_cast<size_t>(got));
    }
    return true;
}

} // namespace

ZipSource::ZipSource(const std::string& path) {
    // Opening a FIFO waits for a writer that may never come: only a regular file can be an
    // archive.
    struct stat info;
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return;
    zlib_filefunc_def ffunc;
    fill_fopen_filefunc(&ffunc);
    handle = unzOpen2(path.c_str(), &ffunc);
}

ZipSource::~ZipSource() {
    if (handle)
        unzClose(handle);
}

// No file the player reads is larger than the largest picture; a larger entry is refused
// before it is inflated, honest or not: a few megabytes of archive inflate to gigabytes.
File ZipSource::read(const std::string& name) {
    return readCapped(name, int64_t(MAX_IMAGE_BYTES)).file;
}

CappedRead ZipSource::readCapped(const std::string& name, int64_t maxBytes) {
    maxBytes = std::clamp<int64_t>(maxBytes, 0, INT32_MAX);
    if (!handle)
        return CappedRead();
    std::string entry = entryName(name);
    // Entry names match whole, so a name with a trailing slash can only find a folder, which
    // has no bytes of its own.
    if (!entry.empty() && entry.back() == '/')
        return CappedRead();
    // A lookup that misses in an archive whose end record counts 65,535 entries reads past the
    // last one and leaves minizip with no current entry, after which every lookup fails: each
    // one starts again from the first entry.
    if (unzGoToFirstFile(handle) != UNZ_OK ||
        unzLocateFile(handle, entry.c_str(), CASE_INSENSITIVE) != UNZ_OK)
        return CappedRead();
    unz_file_info info;
    char nameInZip[512];
    if (unzGetCurrentFileInfo(handle, &info, nameInZip, sizeof nameInZip, nullptr, 0, nullptr, 0) !=
        UNZ_OK)
        return CappedRead();
    // minizip hands out the packed bytes of a method it cannot unpack (bzip2 among them) as if
    // they were the file, so only stored and deflated entries are read.
    if (info.compression_method != 0 && info.compression_method != Z_DEFLATED)
        return CappedRead();
    if (isLink(info))
        return CappedRead();
    // minizip never inflates past the size the entry declares, so refusing by that size
    // bounds the bytes read; an entry longer than it says fails its CRC and reads as missing.
    // Compared unsigned, as declared: a size past the largest int64_t must not turn negative.
    if (uint64_t(info.uncompressed_size) > uint64_t(maxBytes)) {
        const uint64_t size = std::min<uint64_t>(info.uncompressed_size, INT64_MAX);
        return CappedRead{File(), true, int64_t(size)};
    }
    if (unzOpenCurrentFilePassword(handle, nullptr) != UNZ_OK)
        return CappedRead();
    std::vector<uint8_t> data;
    bool whole = readEntry(handle, info.uncompressed_size, data);
    // Closing checks the CRC, which only means something once the entry was read to its end.
    bool intact = unzCloseCurrentFile(handle) == UNZ_OK;
    if (!whole || !intact)
        return CappedRead();
    return CappedRead{File(new FileObject(name, std::move(data))), false, 0};
}

bool ZipSource::write(File, WriteMode) {
    return false;
}

} // namespace Vx
