#pragma once

#include "vx/File.h"

#include <string>

namespace Vx {

// One place files are read from and written to: a directory or an archive.
class FileSource {
public:
    virtual ~FileSource() = default;
    // An empty handle when this source has no such file (or cannot read it whole).
    virtual File read(const std::string& name) = 0;
    // True when the file was stored.
    virtual bool write(File file) = 0;
};

} // namespace Vx
