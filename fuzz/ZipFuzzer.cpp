// Any bytes as a zip archive: opened as a file source and every entry it lists read whole,
// and again under a small cap, which must agree. minizip opens archives by path, so each input
// is written to one temporary file first.

#include "fuzz/Finding.h"
#include "vx/ZipSource.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <unzip.h>
#include <vector>

namespace {

const std::string& archivePath() {
    static std::string path;
    if (path.empty()) {
        path = (std::filesystem::temp_directory_path() / "marquel-fuzz-XXXXXX.zip").string();
        int fd = mkstemps(path.data(), 4);
        if (fd < 0)
            std::abort();
        close(fd);
        std::atexit([] { std::remove(path.c_str()); });
    }
    return path;
}

// The names in the central directory, as minizip lists them; at most a few hundred, since
// a forged count could be huge.
std::vector<std::string> entryNames(const std::string& path) {
    std::vector<std::string> names;
    unzFile zip = unzOpen(path.c_str());
    if (!zip)
        return names;
    for (int status = unzGoToFirstFile(zip); status == UNZ_OK && names.size() < 256;
         status = unzGoToNextFile(zip)) {
        char name[512];
        unz_file_info info;
        if (unzGetCurrentFileInfo(zip, &info, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK)
            break;
        names.emplace_back(name);
    }
    unzClose(zip);
    return names;
}

// Within the cap the same bytes as the whole read; past it "too large" with the entry's size,
// the whole read's; never a file where the whole read found none.
void checkCapped(Vx::ZipSource& source, const std::string& name, const Vx::File& whole) {
    const int64_t cap = 1024;
    const Vx::CappedRead capped = source.readCapped(name, cap);
    const bool agrees =
        whole.isNull() ? capped.file.isNull()
        : whole->getSize() <= cap
            ? !capped.file.isNull() && capped.file->getText() == whole->getText()
            : capped.tooLarge && capped.file.isNull() && capped.size == whole->getSize();
    if (!agrees)
        Fuzz::finding("a capped read disagrees with the whole one", name);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string& path = archivePath();
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out || std::fwrite(data, 1, size, out) != size || std::fclose(out) != 0)
        std::abort();
    Vx::ZipSource source(path);
    if (!source.isOpen())
        return 0;
    for (const std::string& name : entryNames(path)) {
        Vx::File file = source.read(name);
        if (!file.isNull() && file->getSize() > 0) {
            volatile uint8_t last = file->getData()[file->getSize() - 1];
            (void)last;
        }
        checkCapped(source, name, file);
    }
    // A name that is not there reads as missing.
    source.read("no such entry");
    return 0;
}
