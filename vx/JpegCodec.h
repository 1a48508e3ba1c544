#pragma once

#include "vx/ImageCodec.h"

namespace Vx {

// JPEG decoding through libjpeg; any libjpeg error or warning ends the decoding.
class JpegCodec : public ImageCodec {
public:
    void decode(const uint8_t* data, uint32_t size, ImageObject& image) override;
    std::string getExtension() const override { return "jpg"; }
};

} // namespace Vx
