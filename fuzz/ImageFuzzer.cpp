// Any bytes as an image file, decoded by the image manager with the codec of the file name
// this target is built for (IMAGE_NAME). Every pixel of a decoded image is read, so a
// buffer smaller than its dimensions shows.

#include "vx/Exception.h"
#include "vx/File.h"
#include "vx/ImageManager.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > INT32_MAX)
        return 0;
    Vx::ImageManager manager;
    try {
        Vx::File file = Vx::File::fromBytes(IMAGE_NAME, data, static_cast<int32_t>(size));
        Vx::Image image = manager.loadImage(IMAGE_NAME, file, true);
        const Vx::ImageObject& pixels = *image;
        const size_t bytes = size_t(pixels.getWidth()) * pixels.getHeight() * 4;
        unsigned sum = 0;
        for (size_t i = 0; i < bytes; ++i)
            sum += pixels.getData()[i];
        // Keeps the reads from being optimised away.
        volatile unsigned sink = sum;
        (void)sink;
    } catch (const Vx::Exception&) {
    }
    return 0;
}
