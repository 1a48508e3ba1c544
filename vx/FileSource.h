#pragma once

#include "vx/File.h"

#include <cstdint>
#include <string>

namespace Vx {

// How a write to a directory survives a crash. Both replace an old file only once the new
// one is complete, so a reader finds the old file or the new one, never a mix. DURABLE also
// waits until the bytes are on the disk, so that a power loss cannot leave an empty file in
// place of a user's settings; the frames of a recording are many and can be made again, so
// they do not wait.
enum WriteMode { WRITE_DURABLE, WRITE_ATOMIC };

// What a read under a size cap found. The file is empty both when the name is missing and
// when it is too large; tooLarge tells the two apart.
struct CappedRead {
    File file;
    // The file is there but holds more than the cap; none of its bytes were kept.
    bool tooLarge = false;
    // With tooLarge, the size found: the file's own, or the cap plus one for a file that grew
    // past the cap while it was read.
    int64_t size = 0;
};

// One place files are read from and written to: a directory or an archive.
class FileSource {
public:
    virtual ~FileSource() = default;
    // An empty handle when this source has no such file (or cannot read it whole).
    virtual File read(const std::string& name) = 0;
    // A file holding more than maxBytes (at most INT32_MAX) is refused by its recorded size
    // before any byte is read, and reading stops once past maxBytes should the bytes disagree.
    virtual CappedRead readCapped(const std::string& name, int64_t maxBytes) = 0;
    // True when the file was stored.
    virtual bool write(File file, WriteMode mode) = 0;
    // Where name lies, or would lie, on the local disk; empty for a source that keeps its
    // files elsewhere (an archive).
    virtual std::string diskPath(const std::string&) const { return std::string(); }
};

} // namespace Vx
