#pragma once

#include "vx/ImageCodec.h"

namespace Vx {

// Recognises .tga names so that they get a clear refusal instead of "no decoder".
class TgaCodec : public ImageCodec {
public:
    void decode(const uint8_t* data, uint32_t size, ImageObject& image) override;
    std::string getExtension() const override { return "tga"; }
};

} // namespace Vx
