#pragma once

#include "vx/FileSource.h"

#include <string>

namespace Vx {

// Files below a directory of the platform's file system; names are used as given, so
// subdirectories, separators and case are the platform's business.
class DirectorySource : public FileSource {
public:
    // A path not ending in a separator gets "/" appended; an empty path means the working
    // directory.
    explicit DirectorySource(const std::string& path);

    const std::string& getPath() const { return path; }

    File read(const std::string& name) override;
    // Never destroys the old file: the bytes go to a temporary file beside it, which
    // replaces the target only when every byte was written and the file closed (and, for
    // WRITE_DURABLE, flushed to the disk). Missing directories are created.
    bool write(File file, WriteMode mode) override;
    std::string diskPath(const std::string& name) const override { return path + name; }

private:
    std::string path;
};

// mkdir with an already existing directory counting as created.
bool createDirectory(const std::string& path);
// Creates every directory prefix of path that ends at a separator, except a leading run of
// dots and separators ("../", "./"); the last component is never created.
bool makePath(const std::string& path);

} // namespace Vx
