#pragma once

#include "vx/FileSource.h"

#include <string>
#include <unzip.h>

namespace Vx {

// Entries of a zip archive, read-only. Names are looked up without regard to ASCII case;
// a leading "./", ".\" or "/" is ignored. An archive that cannot be opened stays a source
// that has no files.
class ZipSource : public FileSource {
public:
    explicit ZipSource(const std::string& path);
    ~ZipSource() override;
    ZipSource(const ZipSource&) = delete;
    ZipSource& operator=(const ZipSource&) = delete;

    bool isOpen() const { return handle != nullptr; }

    // A damaged entry (read error, CRC mismatch, shorter than its header says), a link and an
    // entry larger than 1 GiB read as missing.
    File read(const std::string& name) override;
    CappedRead readCapped(const std::string& name, int64_t maxBytes) override;
    bool write(File file, WriteMode mode) override;

private:
    unzFile handle = nullptr;
};

} // namespace Vx
