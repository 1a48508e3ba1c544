#include "vx/ImageCodec.h"

namespace Vx {

bool ImageCodec::encode(std::vector<uint8_t>&, ImageObject&) {
    return false;
}

} // namespace Vx
