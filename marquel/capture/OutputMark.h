#pragma once

#include <string>

namespace Marquel {

// Every file the player writes bears its mark, a PNG in a text chunk and an MP4 in its
// comment tag, so that an output replaces only a file of its own: a demo from someone else
// may lead 'screenshots' to the user's files, which must never be written over.
extern const char* const OUTPUT_MARK;
extern const char* const PNG_MARK_KEYWORD;
// Why such a file is left alone, as the end of a "[Marquel] Not ..." line.
extern const char* const FOREIGN_FILE;

enum OutputKind { OUTPUT_KIND_PNG, OUTPUT_KIND_MP4 };

// True when path is a regular file that does not bear the mark of kind, or that cannot be
// read to tell. A missing file is free to write; a link or a file of another type is left to
// Vx::outputRefusal, and is never followed or read here.
bool foreignFile(const std::string& path, OutputKind kind);

} // namespace Marquel
