#pragma once

#include <cstdio>
#include <string>

namespace Marquel {

// While one lives, what the libraries print on standard error by themselves (libsndfile's
// MP3 reader warns of a damaged header, say, without saying of which file) is held back; at
// its end each line comes out as "[Marquel] 'name': line". For calls on the player's thread
// that read one file.
class LibraryWarnings {
public:
    explicit LibraryWarnings(std::string fileName);
    ~LibraryWarnings();
    LibraryWarnings(const LibraryWarnings&) = delete;
    LibraryWarnings& operator=(const LibraryWarnings&) = delete;

private:
    std::string fileName;
    std::FILE* held = nullptr;
    int standardError = -1; // the real one, while held takes its place
};

} // namespace Marquel
