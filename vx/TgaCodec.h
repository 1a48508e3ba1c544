#pragma once

#include "vx/ImageCodec.h"

namespace Vx {

// TGA through stb_image's TGA reader: true colour, grey and colour-mapped, raw or run-length
// encoded, either origin.
class TgaCodec : public ImageCodec {
public:
    void decode(const uint8_t* data, uint32_t size, ImageObject& image) override;
    std::string getExtension() const override { return "tga"; }
};

} // namespace Vx
