#include "vx/TgaCodec.h"

#include "vx/Exception.h"

namespace Vx {

void TgaCodec::decode(const uint8_t*, uint32_t, ImageObject&) {
    throw Exception("[Vx::ImageCodec] TGA-reader is not done yet!");
}

} // namespace Vx
