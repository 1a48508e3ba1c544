#pragma once

#include "vx/FileSource.h"

#include <string>

namespace Vx {

// Files below a directory of the platform's file system; names are used as given, so
// subdirectories, separators and case are the platform's business. A name never leads out of
// the directory: one whose real place, every link resolved, lies elsewhere reads as missing (the
// directory itself may be a link), and a write is refused for any name that climbs above the
// directory with "..", or is absolute.
class DirectorySource : public FileSource {
public:
    // A path not ending in a separator gets "/" appended; an empty path means the working
    // directory.
    // An output folder (screenshots, recordings) follows no link below itself and writes
    // only over regular files: see outputRefusal.
    explicit DirectorySource(const std::string& path, bool output = false);

    const std::string& getPath() const { return path; }

    // Files up to INT32_MAX bytes.
    File read(const std::string& name) override;
    CappedRead readCapped(const std::string& name, int64_t maxBytes) override;
    // Never destroys the old file: the bytes go to a temporary file beside it, which
    // replaces the target only when every byte was written and the file closed (and, for
    // WRITE_DURABLE, flushed to the disk). Missing directories are created.
    bool write(File file, WriteMode mode) override;
    std::string diskPath(const std::string& name) const override { return path + name; }

private:
    std::string path;
    bool output = false;
};

// Why a file the player makes may not go to name below the output folder, or empty when it
// may. A demo unpacked from someone else's archive may carry links or pipes there: no part of
// name may be a link (the folder itself may, to put the files on another disk), and the file
// must be a regular one or not exist yet.
std::string outputRefusal(const std::string& folder, const std::string& name);

// mkdir with an already existing directory counting as created.
bool createDirectory(const std::string& path);
// Creates every directory prefix of path that ends at a separator, except a leading run of
// dots and separators ("../", "./"); the last component is never created.
bool makePath(const std::string& path);

} // namespace Vx
