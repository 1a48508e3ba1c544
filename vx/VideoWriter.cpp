#include "vx/VideoWriter.h"

#include "vx/Exception.h"
#include "vx/PngSequenceWriter.h"

namespace Vx {

namespace {

const int WRITER_KINDS = 1;

std::unique_ptr<VideoWriter> makeWriter(int kind) {
    switch (kind) {
    case 0:
        return std::make_unique<PngSequenceWriter>();
    default:
        return nullptr;
    }
}

} // namespace

bool VideoWriter::writeFrame() {
    const bool written = writeEncoded(encodeFrame(image, counter));
    ++counter;
    return written;
}

File VideoWriter::encodeFrame(const Image&, int32_t) const {
    return File();
}

std::string VideoWriter::frameName(int32_t) const {
    return std::string();
}

bool VideoWriter::writeEncoded(const File&) {
    return false;
}

bool VideoWriter::open(const std::string&, const VideoInfo*, FileSystem*) {
    return false;
}

std::unique_ptr<VideoWriter> openVideoWriter(const std::string& name, const VideoInfo* info,
                                             FileSystem* fileSystem) {
    for (int kind = 0; kind < WRITER_KINDS; ++kind) {
        std::unique_ptr<VideoWriter> writer = makeWriter(kind);
        if (writer && writer->open(name, info, fileSystem))
            return writer;
    }
    throw Exception("Could not find something that could write to '%s'", name.c_str());
}

} // namespace Vx
