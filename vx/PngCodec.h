#pragma once

#include "vx/ImageCodec.h"

namespace Vx {

// PNG through libpng: decodes every colour type and bit depth, encodes 8-bit RGBA.
class PngCodec : public ImageCodec {
public:
    void decode(const uint8_t* data, uint32_t size, ImageObject& image) override;
    // Reads the pixels with getWriteData, so a cached image throws.
    bool encode(std::vector<uint8_t>& buffer, ImageObject& image) override;
    std::string getExtension() const override { return "png"; }
    bool canEncode() const override { return true; }
    // A text chunk every file encoded from then on carries after its header; none while the
    // keyword is empty. Set before frames are encoded on other threads.
    void setText(const std::string& keyword, const std::string& text);

private:
    std::string textKeyword;
    std::string textValue;
};

// The PNG decoder on its own.
void loadPNG(const uint8_t* data, uint32_t size, ImageObject& image);

} // namespace Vx
