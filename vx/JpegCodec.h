#pragma once

#include "vx/ImageCodec.h"

namespace Vx {

// JPEG decoding through libjpeg, colour, grey and print inks (CMYK, YCCK); an error or a
// file cut short ends the decoding, other warnings do not.
class JpegCodec : public ImageCodec {
public:
    void decode(const uint8_t* data, uint32_t size, ImageObject& image) override;
    std::string getExtension() const override { return "jpg"; }
};

} // namespace Vx
