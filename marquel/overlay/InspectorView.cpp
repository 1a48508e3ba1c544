// The inspector's drawing: the fixed frame, the list of rows, scrolled to keep the selection
// in view, and the texts of its rows; the chart and the footer draw in their own sources.

#include "marquel/overlay/Inspector.h"

#include "marquel/Exception.h"
#include "marquel/Script.h"
#include "marquel/overlay/InspectorDrawing.h"
#include "vx/Exception.h"
#include "vx/FileSystem.h"

#include <algorithm>

namespace Marquel {

using namespace InspectorDrawing;
using namespace InspectorLayout;

void Inspector::drawFrame() {
    fillRect(10, 0, 492, 500, WHITE, false);
    fillRect(0, 10, 512, 492, WHITE, false);
    fillRect(0, 500, 512, 12, WHITE, false);
    fillDisc(10, 10, 20, WHITE);
    fillDisc(502, 10, 20, WHITE);
    fillRect(12, 2, 488, 508, BLACK, false);
    fillRect(2, 12, 508, 488, BLACK, false);
    fillDisc(12, 12, 20, BLACK);
    fillDisc(500, 12, 20, BLACK);
    copyLogo();
    fillRect(0, 28, 512, 1, WHITE, false);
    fillRect(0, FOOTER_SEPARATOR, 512, 1, WHITE, false);
}

// Centred with its top row at y = 2; whatever of it falls outside the canvas is dropped.
void Inspector::copyLogo() {
    Vx::Image logo;
    try {
        logo = files->loadImage("marquel_logo.png");
    } catch (const Vx::Exception& e) {
        // The loader's text names the file but not who needs it: a demo of one's own may
        // not know that the inspector does.
        throw Exception("[Marquel] The inspector could not load its logo: %s", e.what());
    }
    const int64_t w = logo->getWidth();
    const int64_t h = logo->getHeight();
    const uint8_t* bgra = logo->getData();
    if (!bgra)
        return;
    const int64_t left = 256 - w / 2;
    for (int64_t row = 0; row < h && row + 2 < int64_t(height); ++row) {
        for (int64_t x = std::max<int64_t>(0, -left); x < w && x + left < int64_t(width); ++x) {
            const uint8_t* p = bgra + (row * w + x) * 4;
            pixels[(row + 2) * width + (x + left)] =
                0xff000000u | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
        }
    }
}

void Inspector::redraw() {
    readMusic();
    fillRect(INNER_LEFT, LIST_TOP, INNER_WIDTH, LIST_HEIGHT, BACKGROUND, false);
    // The footer's texts start on the separator's row: without this, the top of a yellow
    // value would stay there under every panel shown after it.
    fillRect(0, FOOTER_SEPARATOR, 512, 1, WHITE, false);
    fillRect(INNER_LEFT, 502, INNER_WIDTH, 8, BACKGROUND, false);
    fillRect(INNER_LEFT, FOOTER_TOP, INNER_WIDTH, 15, BACKGROUND, false);
    fillRect(INNER_LEFT, FOOTER_TOP, CHART_LEFT, FOOTER_HEIGHT, BLACK, false);
    updateScroll();
    drawList();
    drawBeatLines(LIST_TOP, LIST_TOP + listHeight());
    drawLane();
    fillRect(CHART_LEFT - 1, LIST_TOP, 1, 480, WHITE, false);
    drawCursor();
    drawClock();
    drawBeatState();
    dirty = true;
}

// Keeps the selected row wholly inside the list's band, above the lane when it shows: down
// to its bottom, up to its top.
void Inspector::updateScroll() {
    const EffectNode* selected = selectedEffectNode();
    if (!selected)
        return;
    int64_t a = 0;
    for (int i = 0; i < selectedNode; ++i) {
        const EffectNode& node = *script->nodes[static_cast<size_t>(i)];
        a += ROW;
        if (expanded[static_cast<size_t>(i)])
            a += ROW * int64_t(node.triggers.size()) + SPLINE_ROW * int64_t(node.splines.size());
    }
    a += ROW;
    const int64_t triggers = int64_t(selected->triggers.size());
    int64_t rowHeight = ROW;
    if (expanded[static_cast<size_t>(selectedNode)] && selectedItem > 0) {
        if (selectedItem <= triggers) {
            a += selectedItem * ROW;
        } else {
            a += triggers * ROW + (selectedItem - triggers) * SPLINE_ROW;
            rowHeight = SPLINE_ROW;
        }
    }
    int64_t scroll = scrollY;
    const int32_t band = listHeight();
    if (scroll < a - band)
        scroll = a - band;
    else if (a - rowHeight < scroll)
        scroll = a - rowHeight;
    scrollY = static_cast<int32_t>(std::clamp<int64_t>(scroll, 0, INT32_MAX));
}

void Inspector::drawList() {
    if (!script)
        return;
    int64_t y = LIST_TOP;
    const int64_t stop = int64_t(scrollY) + 504;
    stripe = false;
    for (size_t i = 0; i < script->nodes.size(); ++i) {
        const EffectNode& node = *script->nodes[i];
        const bool thisNode = static_cast<int>(i) == selectedNode;
        const bool isExpanded = i < expanded.size() && expanded[i];
        stripe = !stripe;
        drawNodeRow(node, static_cast<int32_t>(y), thisNode && selectedItem == 0, isExpanded);
        if (thisNode && selectedItem == 0)
            drawNodePanel(node);
        y += ROW;
        if (isExpanded) {
            int item = 1;
            for (const auto& trigger : node.triggers) {
                const bool selected = thisNode && selectedItem == item++;
                drawTriggerRow(node, *trigger, static_cast<int32_t>(y), selected);
                if (selected)
                    drawTriggerPanel(*trigger);
                y += ROW;
                if (y > stop)
                    return;
            }
            for (const auto& spline : node.splines) {
                const bool selected = thisNode && selectedItem == item++;
                drawSplineRow(node, *spline, static_cast<int32_t>(y), selected);
                if (selected)
                    drawSplinePanel(node, *spline);
                y += SPLINE_ROW;
                if (y > stop)
                    return;
            }
        }
        if (y > stop)
            return;
    }
}

bool Inspector::isRegistered(const EffectNode& node) const {
    return script && script->findEffect(node.name) != nullptr;
}

bool Inspector::isRunning(const EffectNode& node) const {
    const float t = windowStart + cursorOffset;
    return node.active && isRegistered(node) && node.start <= t && t < node.end;
}

void Inspector::text(const std::string& line, int32_t x, int32_t y, uint32_t colour,
                     int32_t maxWidth, bool clip) {
    TextItem item;
    item.text = line;
    item.x = x;
    item.y = y;
    item.colour = colour;
    item.maxWidth = maxWidth;
    item.clip = clip;
    drawText(item);
}

} // namespace Marquel
