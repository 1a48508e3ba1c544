#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace Marquel {

// Reads a display's drawn frames back for a recording, as width * height B, G, R, A pixels,
// the bottom row first. With pixel buffer objects the read of one frame goes on while the
// next one is drawn, and its rows are handed out a frame later; without, each frame is read
// at once and queued.
class FrameReadback {
public:
    // Reads the drawn frame's rows into target; a null target reads into the bound pixel
    // buffer object.
    using Reader = std::function<void(uint8_t* target)>;

    explicit FrameReadback(Reader read);
    ~FrameReadback();
    FrameReadback(const FrameReadback&) = delete;
    FrameReadback& operator=(const FrameReadback&) = delete;

    // Reads through pixel buffer objects where the open OpenGL context, whose extensions are
    // given, has them. Asked once, at the first read.
    void usePixelBuffers(const std::string& extensions);
    // Starts reading the drawn frame of bytes bytes.
    void start(size_t bytes);
    // Moves the oldest frame started and not yet taken into rows. With all false, only a
    // frame that is ready without waiting; false when none is.
    bool take(std::vector<uint8_t>& rows, bool all);
    // The frames still in pixel buffer objects move to memory and the objects go: before a
    // mode switch, which loses them with the context.
    void releaseBuffers();
    // The objects go without being read: the context is about to close.
    void dropBuffers();

private:
    struct PixelBuffers;

    Reader read;
    bool pixelBuffersWanted = false;
    std::string extensions;
    std::unique_ptr<PixelBuffers> pixelBuffers;
    // Frames read back and not yet taken.
    std::deque<std::vector<uint8_t>> grabbed;
};

} // namespace Marquel
