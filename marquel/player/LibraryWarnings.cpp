#include "marquel/player/LibraryWarnings.h"

#include <unistd.h>

namespace Marquel {

LibraryWarnings::LibraryWarnings(std::string fileName) : fileName(std::move(fileName)) {
    std::fflush(stderr);
    held = std::tmpfile();
    if (held)
        standardError = dup(STDERR_FILENO);
    // Without a place to hold them, the warnings go out as they come.
    if (standardError < 0 || dup2(fileno(held), STDERR_FILENO) < 0) {
        if (standardError >= 0)
            close(standardError);
        standardError = -1;
    }
}

LibraryWarnings::~LibraryWarnings() {
    if (standardError >= 0) {
        std::fflush(stderr);
        dup2(standardError, STDERR_FILENO);
        close(standardError);
        std::rewind(held);
        std::string line;
        for (int c = std::fgetc(held);; c = std::fgetc(held)) {
            // A library may leave its last line without an end.
            if (c == '\n' || c == EOF) {
                if (!line.empty())
                    std::fprintf(stderr, "[Marquel] '%s': %s\n", fileName.c_str(), line.c_str());
                line.clear();
                if (c == EOF)
                    break;
            } else {
                line += static_cast<char>(c);
            }
        }
    }
    if (held)
        std::fclose(held);
}

} // namespace Marquel
