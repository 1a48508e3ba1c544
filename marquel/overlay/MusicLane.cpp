#include "marquel/overlay/MusicLane.h"

#include "marquel/overlay/InspectorDrawing.h"
#include "marquel/overlay/InspectorLayout.h"
#include "marquel/overlay/Panel.h"
#include "sound/Onsets.h"
#include "sound/Spectrum.h"
#include "vx/FileSystem.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <system_error>

namespace Marquel {

namespace {

// Columns in the strip: ten windows, so playing on redraws it only every minute or so at
// the closest zoom the keys give.
constexpr int64_t STRIP_COLUMNS = 10 * InspectorLayout::CHART_WIDTH;
constexpr uint32_t LOUD = 0xee4f7f8f;
constexpr uint32_t ONSET = 0xffeebb44;
// Loudness is drawn on a decibel scale down to this far below full scale.
constexpr double QUIETEST_DB = -48;

// The first whole column of a time, held far inside int64_t for a wild zoom.
int64_t columnOf(double time, double step) {
    const double column = std::floor(time / step);
    return std::isfinite(column) ? static_cast<int64_t>(std::clamp(column, -1e15, 1e15)) : 0;
}

} // namespace

MusicLane::MusicLane() = default;

// The analysis reads the bytes held here: it must be over before they go.
MusicLane::~MusicLane() {
    if (pending.valid())
        pending.wait();
}

void MusicLane::setMusic(Vx::FileSystem* musicFiles, const std::string& musicName) {
    if (pending.valid())
        pending.wait();
    pending = {};
    music = Vx::File();
    files = musicFiles;
    name = musicName;
    tried = false;
    onsets.reset();
    stripStep = 0;
}

bool MusicLane::analyse() {
    if (!tried && !name.empty() && files) {
        tried = true;
        start();
    }
    if (pending.valid() && pending.wait_for(std::chrono::seconds(0)) == std::future_status::ready) {
        try {
            onsets = pending.get();
        } catch (const std::exception& e) {
            std::fprintf(stderr, "[Marquel] The inspector shows no music: %s\n", e.what());
        }
        music = Vx::File();
        // The strip drawn meanwhile is empty.
        stripStep = 0;
    }
    return hasMusic();
}

void MusicLane::start() {
    music = files->readFile(name);
    if (music.isNull()) {
        std::fprintf(stderr,
                     "[Marquel] The inspector shows no music: there is no music file '%s'\n",
                     name.c_str());
        return;
    }
    const char* bytes = music->getChars();
    const auto size = static_cast<size_t>(music->getSize());
    try {
        pending = std::async(std::launch::async, [bytes, size] {
            Audio::Spectrum spectrum(bytes, size);
            return std::make_unique<Audio::Onsets>(spectrum);
        });
    } catch (const std::system_error& e) {
        std::fprintf(stderr, "[Marquel] The inspector shows no music: %s\n", e.what());
        music = Vx::File();
    }
}

Audio::Tempo MusicLane::proposal() const {
    return onsets ? onsets->tempo() : Audio::Tempo();
}

void MusicLane::copyInto(Panel& panel, int32_t top, int32_t height, float windowStart,
                         float windowLength) {
    const int32_t width = InspectorLayout::CHART_WIDTH;
    const double step = double(windowLength) / width;
    const int64_t first = columnOf(windowStart, step);
    const bool inside = first >= stripFirst && first + width <= stripFirst + STRIP_COLUMNS;
    if (step != stripStep || height != stripHeight || !inside)
        drawStrip(first - width, step, height);
    const auto offset = static_cast<size_t>(first - stripFirst);
    for (int32_t row = 0; row < height; ++row) {
        const int64_t y = int64_t(top) + row;
        if (y < 0 || y >= int64_t(panel.height) ||
            panel.width < uint32_t(InspectorLayout::CHART_LEFT + width))
            continue;
        std::memcpy(&panel.pixels[size_t(y) * panel.width + InspectorLayout::CHART_LEFT],
                    &strip[size_t(row) * STRIP_COLUMNS + offset], sizeof(uint32_t) * size_t(width));
    }
}

void MusicLane::drawStrip(int64_t first, double step, int32_t height) {
    stripFirst = first;
    stripStep = step;
    stripHeight = height;
    strip.assign(size_t(STRIP_COLUMNS) * size_t(std::max(height, 0)), InspectorDrawing::LANE_CELL);
    if (!onsets || height <= 0)
        return;
    const int32_t middle = height / 2;
    for (int64_t c = 0; c < STRIP_COLUMNS; ++c) {
        const double from = double(first + c) * step;
        const double rms = onsets->loudness(from, from + step);
        const double level = std::clamp(1 - 20 * std::log10(rms) / QUIETEST_DB, 0.0, 1.0);
        const auto reach = static_cast<int32_t>(std::lround(level * (middle - 1)));
        for (int32_t row = middle - reach; row <= middle + reach && reach > 0; ++row)
            strip[size_t(row) * STRIP_COLUMNS + size_t(c)] = LOUD;
    }
    // A tick from the top, longer for a stronger onset.
    float strongest = 0;
    for (const Audio::Onsets::Onset& onset : onsets->all())
        strongest = std::max(strongest, onset.strength);
    for (const Audio::Onsets::Onset& onset : onsets->all()) {
        const int64_t c = columnOf(onset.time, step) - first;
        if (c < 0 || c >= STRIP_COLUMNS)
            continue;
        const float share = strongest > 0 ? onset.strength / strongest : 1.0f;
        const auto length = static_cast<int32_t>(2 + float(middle - 2) * std::sqrt(share));
        for (int32_t row = 0; row < std::min(length, height); ++row)
            strip[size_t(row) * STRIP_COLUMNS + size_t(c)] = ONSET;
    }
}

} // namespace Marquel
