#pragma once

#include "vx/File.h"
#include "vx/Image.h"
#include "vx/VideoInfo.h"

#include <cstdint>
#include <memory>
#include <string>

namespace Vx {

class FileSystem;

// Writes the frames of one recording; each writer kind decides in open whether it takes the
// target name. A kind has one write path, encodeFrame then writeEncoded; writeFrame numbers
// the frames of a caller that writes one at a time through it.
class VideoWriter {
public:
    virtual ~VideoWriter() = default;
    // The image every following frame writes; the writer shares it with the caller.
    void setImage(Image newImage) { image = newImage; }
    // Writes the image as the next frame; false when it could not be written (the frame's
    // number is used up all the same). Throws the image handle's message when no image was
    // set.
    bool writeFrame();
    // Frames writeFrame has numbered.
    int32_t getCounter() const { return counter; }
    // The file of frame number made from image, for writers whose frames are files of their
    // own; callable from any thread. Null when it cannot be made.
    virtual File encodeFrame(const Image& image, int32_t number) const;
    // The name frame number is written under, for writers whose frames are files of their
    // own; empty for others and for a name too long to make.
    virtual std::string frameName(int32_t number) const;
    // Writes a file encodeFrame made, whole or not at all.
    virtual bool writeEncoded(const File& file);
    virtual VideoInfo getInfo() const = 0;
    virtual int getWidth() const = 0;
    virtual int getHeight() const = 0;
    virtual bool open(const std::string& name, const VideoInfo* info, FileSystem* fileSystem);

private:
    Image image;
    int32_t counter = 0;
};

// The first writer kind that takes name, opened; throws Vx::Exception when none does.
std::unique_ptr<VideoWriter> openVideoWriter(const std::string& name, const VideoInfo* info,
                                             FileSystem* fileSystem);

} // namespace Vx
