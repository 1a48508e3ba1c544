#pragma once

#include <cstdint>

namespace Vorlik {

enum : int32_t {
    // A one-dimensional texture may be made when the picture is one row high.
    TEX_1D = 0x01,
    // A two-dimensional texture; wins over TEX_1D when both apply.
    TEX_2D = 0x02,
    // Build mipmaps; the picture then keeps its own sides.
    TEX_MIPMAP = 0x20,
};

// What a caller asks for. Sides of 0 mean "as the picture has them".
struct TextureDesc {
    int32_t width;
    int32_t height;
    int32_t depth;
    int32_t flags;
};

} // namespace Vorlik
