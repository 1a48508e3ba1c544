// The inspector's music lane under the rows and the beat grid's lines: the lane's loudness
// and onsets come as a strip the lane keeps, and the beat and bar lines and the bar numbers
// are drawn over it and through the rows at each repaint.

#include "marquel/overlay/Inspector.h"

#include "marquel/Script.h"
#include "marquel/overlay/InspectorDrawing.h"
#include "sound/Onsets.h"

#include <cstdio>

namespace Marquel {

namespace {

using namespace InspectorDrawing;
using namespace InspectorLayout;

constexpr uint32_t LANE_EDGE = 0xff777788;
constexpr uint32_t BEAT_LINE = 0xcc77778a;
constexpr uint32_t BAR_LINE = 0xccccccdd;
// Lines closer than this many columns would hide the chart: sparser ones are drawn instead.
constexpr double FEWEST_COLUMNS = 4;
// Room for a bar number before the next is drawn.
constexpr double LABEL_COLUMNS = 24;
// Beats past this are too far from 0 for a double to count them one by one.
constexpr double FARTHEST_BEAT = 1e15;

// The smallest power of two from `from` up whose multiple of columns reaches least.
int64_t strideFor(double columns, int64_t from, double least) {
    int64_t stride = from;
    while (stride * columns < least && stride < (int64_t(1) << 40))
        stride *= 2;
    return stride;
}

// Calls line(x, beat, bar) for each grid line in the window: x its chart column, beat its
// index and bar whether it starts a bar. Each beat gets a line while they stand far enough
// apart, else whole bars do, doubled until they do.
template <typename Line>
void forEachLine(const BeatGrid& grid, float windowStart, float windowLength, Line line) {
    const int64_t perBar = std::max(grid.beatsPerBar, 1);
    const double beatColumns = CHART_WIDTH * 60 / (double(grid.bpm) * windowLength);
    const int64_t stride =
        beatColumns >= FEWEST_COLUMNS ? 1 : strideFor(beatColumns, perBar, FEWEST_COLUMNS);
    const double first = std::ceil(grid.beatAt(windowStart) / double(stride)) * double(stride);
    const double last = grid.beatAt(double(windowStart) + windowLength);
    if (!(std::abs(first) < FARTHEST_BEAT && std::abs(last) < FARTHEST_BEAT))
        return;
    for (auto beat = static_cast<int64_t>(first); double(beat) <= last; beat += stride) {
        const double offset = grid.beatTime(double(beat)) - windowStart;
        if (0 <= offset && offset < windowLength)
            line(column(static_cast<float>(offset), windowLength), beat, beat % perBar == 0);
    }
}

// The 1-based number of the bar a beat starts, counting from the grid's first beat.
int64_t barNumber(int64_t beat, int perBar) {
    const int64_t bars = beat >= 0 ? beat / perBar : -((-beat + perBar - 1) / perBar);
    return bars + 1;
}

std::string tempoLabel(const BeatGrid& grid) {
    char line[32];
    std::snprintf(line, sizeof line, "%.1f bpm%s", double(grid.bpm), grid.proposed ? "?" : "");
    return line;
}

} // namespace

void Inspector::setMusic(const std::string& name) {
    lane.setMusic(files, name);
}

void Inspector::readMusic() {
    if (!visible || !lane.analyse() || grid.active())
        return;
    const Audio::Tempo tempo = lane.proposal();
    if (!(tempo.bpm > 0))
        return;
    // Shown in the lane only, and not snapped to, until the maker takes it.
    grid.bpm = static_cast<float>(tempo.bpm);
    grid.firstBeat = static_cast<float>(tempo.firstBeat);
    grid.proposed = true;
}

bool Inspector::laneShown() const {
    return lane.hasMusic() || lane.reading() || grid.active() ||
           (script && !script->unreadBpm.empty());
}

int32_t Inspector::listHeight() const {
    return laneShown() ? LANE_TOP - 1 - LIST_TOP : LIST_HEIGHT;
}

// Dotted, so that the bars and ticks of the rows stay readable under them: a bar's line
// every other row, a beat's every fourth.
void Inspector::drawBeatLines(int32_t top, int32_t bottom) {
    if (grid.proposed || !grid.active())
        return;
    forEachLine(grid, windowStart, windowLength, [&](int32_t x, int64_t, bool bar) {
        const int32_t every = bar ? 2 : 4;
        for (int32_t row = top + every - 1; row < bottom; row += every)
            fillRect(CHART_LEFT + x, row, 1, 1, bar ? BAR_LINE : BEAT_LINE, false);
    });
}

void Inspector::drawLane() {
    if (!laneShown())
        return;
    fillRect(INNER_LEFT, LANE_TOP - 1, INNER_WIDTH, 1, LANE_EDGE, false);
    fillRect(INNER_LEFT, LANE_TOP, INNER_WIDTH, LANE_HEIGHT, LANE_CELL, false);
    lane.copyInto(*this, LANE_TOP, LANE_HEIGHT, windowStart, windowLength);
    text(lane.hasMusic()  ? "music"
         : lane.reading() ? "music..."
                          : "no music",
         11, LANE_TOP - 1, lane.hasMusic() ? ROW_TEXT : GREY_TEXT, 97);
    // A tempo the file gave and the player could not read tells more than a proposal.
    if (script && !(script->bpm > 0) && !script->unreadBpm.empty())
        text("bpm '" + script->unreadBpm + "' unread", 11, LANE_TOP + 11, YELLOW, 97);
    else if (grid.active())
        text(tempoLabel(grid), 11, LANE_TOP + 11, grid.proposed ? GREY_TEXT : ROW_TEXT, 97);
    if (!grid.active())
        return;
    const int perBar = std::max(grid.beatsPerBar, 1);
    const double barColumns = CHART_WIDTH * 60.0 * perBar / (double(grid.bpm) * windowLength);
    const int64_t labelStride = strideFor(barColumns, 1, LABEL_COLUMNS);
    forEachLine(grid, windowStart, windowLength, [&](int32_t x, int64_t, bool bar) {
        if (bar) {
            fillRect(CHART_LEFT + x, LANE_TOP, 1, LANE_HEIGHT, BAR_LINE, false);
            return;
        }
        for (int32_t row = LANE_TOP + 1; row < LANE_TOP + LANE_HEIGHT; row += 2)
            fillRect(CHART_LEFT + x, row, 1, 1, BEAT_LINE, false);
    });
    // On a box of their own after every line, so that no line or loud column crosses them.
    forEachLine(grid, windowStart, windowLength, [&](int32_t x, int64_t beat, bool bar) {
        const int64_t number = barNumber(beat, perBar);
        if (!bar || number < 1 || (number - 1) % labelStride != 0 || x + 10 >= CHART_WIDTH)
            return;
        const std::string label = std::to_string(number);
        const int32_t room = CHART_WIDTH - x - 2;
        fillRect(CHART_LEFT + x + 1, LANE_TOP + 12, std::min(textWidth(label) + 1, room),
                 LANE_HEIGHT - 13, LANE_CELL, false);
        text(label, CHART_LEFT + x + 2, LANE_TOP + 11, BAR_LINE, room);
    });
}

} // namespace Marquel
