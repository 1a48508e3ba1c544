#include "vx/PngSequenceWriter.h"

#include "vx/FileName.h"
#include "vx/FileSystem.h"

#include <cstdio>

namespace Vx {

namespace {

const size_t MAX_FRAME_NAME = 1024;

} // namespace

bool PngSequenceWriter::open(const std::string& name, const VideoInfo* newInfo,
                             FileSystem* newFileSystem) {
    if (!newFileSystem || !newInfo || name.empty())
        return false;
    fileSystem = newFileSystem;
    // The first character is never taken for the dot, so ".png" is a base name of its own;
    // without a dot everything after the first character counts, so "xpng" is taken whole.
    const size_t dot = extensionDot(name, false);
    const bool split = dot != std::string::npos && dot > 0;
    baseName = split ? name.substr(0, dot) : name;
    extension = name.substr(split ? dot + 1 : 1);
    if (extension != "png")
        return false;
    info = *newInfo;
    return true;
}

std::string PngSequenceWriter::frameName(int32_t number) const {
    char filename[MAX_FRAME_NAME];
    int length = std::snprintf(filename, sizeof filename, "%s.%06d.%s", baseName.c_str(), number,
                               extension.c_str());
    return length < 0 || size_t(length) >= sizeof filename ? std::string() : filename;
}

File PngSequenceWriter::encodeFrame(const Image& frame, int32_t number) const {
    const std::string filename = frameName(number);
    // A name that does not fit is skipped like any other frame that cannot be written.
    if (filename.empty())
        return File();
    return fileSystem->getImageManager().encodeImage(filename, frame);
}

bool PngSequenceWriter::writeEncoded(const File& file) {
    // A frame can be rendered again: it need not wait for the disk as a user's file does.
    return !file.isNull() && fileSystem->writeFile(file, -1, WRITE_ATOMIC);
}

} // namespace Vx
