#pragma once

#include <cstdint>
#include <string>

namespace Marquel {

// One line of text for Panel::drawText.
struct TextItem {
    std::string text;
    int32_t x = 0;
    int32_t y = 0;
    // 0xAARRGGBB; only inked glyph pixels are set, so text has no background.
    uint32_t colour = 0xFFFFFFFF;
    // Columns at or beyond this offset from x are not drawn; 0 draws the whole text.
    int32_t maxWidth = 0;
    // Subject to the scroll and the clip band.
    bool clip = false;
};

} // namespace Marquel
