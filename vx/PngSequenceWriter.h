#pragma once

#include "vx/VideoWriter.h"

#include <cstdint>
#include <string>

namespace Vx {

// Every frame its own PNG file: target dump.png gives dump.000000.png, dump.000001.png, ...
// in the file system's first source. A frame that cannot be written is skipped, its number
// used up all the same.
class PngSequenceWriter : public VideoWriter {
public:
    File encodeFrame(const Image& image, int32_t number) const override;
    std::string frameName(int32_t number) const override;
    bool writeEncoded(const File& file) override;
    VideoInfo getInfo() const override { return info; }
    int getWidth() const override { return info.width; }
    int getHeight() const override { return info.height; }
    // Takes names whose extension is exactly "png".
    bool open(const std::string& name, const VideoInfo* info, FileSystem* fileSystem) override;

private:
    FileSystem* fileSystem = nullptr;
    VideoInfo info;
    std::string baseName;
    std::string extension;
};

} // namespace Vx
