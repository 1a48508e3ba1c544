#include "vx/ZipSource.h"

#include "vx/FileName.h"

#include <algorithm>
#include <climits>
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

// Reads the open entry whole; false when it ends early or a read fails.
bool readEntry(unzFile handle, size_t expected, std::vector<uint8_t>& data) {
    data.reserve(std::min(expected, READ_STEP));
    while (data.size() < expected) {
        size_t have = data.size();
        size_t step = std::min(expected - have, READ_STEP);
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

File ZipSource::read(const std::string& name) {
    if (!handle)
        return File();
    std::string entry = entryName(name);
    // Entry names match whole, so a name with a trailing slash can only find a folder, which
    // has no bytes of its own.
    if (!entry.empty() && entry.back() == '/')
        return File();
    if (unzLocateFile(handle, entry.c_str(), CASE_INSENSITIVE) != UNZ_OK)
        return File();
    unz_file_info info;
    char nameInZip[512];
    if (unzGetCurrentFileInfo(handle, &info, nameInZip, sizeof nameInZip, nullptr, 0, nullptr, 0) !=
        UNZ_OK)
        return File();
    // minizip hands out the packed bytes of a method it cannot unpack (bzip2 among them) as if
    // they were the file, so only stored and deflated entries are read.
    if (info.compression_method != 0 && info.compression_method != Z_DEFLATED)
        return File();
    if (info.uncompressed_size > INT32_MAX)
        return File();
    if (unzOpenCurrentFilePassword(handle, nullptr) != UNZ_OK)
        return File();
    std::vector<uint8_t> data;
    bool whole = readEntry(handle, info.uncompressed_size, data);
    // Closing checks the CRC, which only means something once the entry was read to its end.
    bool intact = unzCloseCurrentFile(handle) == UNZ_OK;
    if (!whole || !intact)
        return File();
    return File(new FileObject(name, std::move(data)));
}

bool ZipSource::write(File, WriteMode) {
    return false;
}

} // namespace Vx
