#pragma once

#include "vx/ImageObject.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Vx {

// Turns a whole file's bytes into pixels and, where it can, pixels back into file bytes.
// Codecs see bytes only, never a path.
class ImageCodec {
public:
    virtual ~ImageCodec() = default;
    // Fills a fresh 0 x 0 image; every failure is a Vx::Exception.
    virtual void decode(const uint8_t* data, uint32_t size, ImageObject& image) = 0;
    // The whole encoded file into buffer; false when this codec cannot write the image.
    virtual bool encode(std::vector<uint8_t>& buffer, ImageObject& image);
    virtual std::string getExtension() const = 0;
    virtual bool canEncode() const { return false; }
};

// Pixel buffers above this are refused before any allocation: sizes in file headers are
// never trusted.
const uint64_t MAX_IMAGE_BYTES = uint64_t(1) << 30;

} // namespace Vx
