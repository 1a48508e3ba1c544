#pragma once

#include "vx/File.h"

#include <cstdint>
#include <future>
#include <memory>
#include <string>
#include <vector>

namespace Vx {
class FileSystem;
}

namespace Marquel {

namespace Audio {
class Onsets;
struct Tempo;
} // namespace Audio

class Panel;

// What the inspector shows of the music under its chart: the loudness of each column and a
// tick at each onset, over a strip of columns drawn once for a zoom and copied into the
// window at each repaint. The music is read the first time it is wanted, so a player whose
// inspector is never shown never pays for it, and analysed on a thread of its own, so the
// demo plays on meanwhile.
class MusicLane {
public:
    MusicLane();
    ~MusicLane();
    MusicLane(const MusicLane&) = delete;
    MusicLane& operator=(const MusicLane&) = delete;

    // The music file, read through files (which must outlive the lane) when analyse() is
    // next called; an empty name is no music.
    void setMusic(Vx::FileSystem* files, const std::string& name);
    // Starts reading and analysing the music unless that was tried, and takes the analysis
    // once it is done; a file that does not decode is said once on standard error. Whether
    // there is music to show.
    bool analyse();
    bool hasMusic() const { return onsets != nullptr; }
    // The analysis is running.
    bool reading() const { return pending.valid(); }
    // The tempo the music's onsets suggest; bpm 0 for none.
    Audio::Tempo proposal() const;
    // Puts the lane of the window, windowStart and windowLength seconds across, into the
    // panel's chart columns from row top, height rows tall. The strip is drawn again only
    // when the zoom or the height changes or the window leaves it.
    void copyInto(Panel& panel, int32_t top, int32_t height, float windowStart, float windowLength);

private:
    void start();
    void drawStrip(int64_t first, double step, int32_t height);

    Vx::FileSystem* files = nullptr;
    std::string name;
    bool tried = false;
    // The file's bytes, which the analysis reads until it is done.
    Vx::File music;
    std::future<std::unique_ptr<Audio::Onsets>> pending;
    std::unique_ptr<Audio::Onsets> onsets;
    // Row-major, STRIP_COLUMNS a row: column c shows the music from (stripFirst + c) * step
    // seconds for step seconds.
    std::vector<uint32_t> strip;
    int64_t stripFirst = 0;
    double stripStep = 0;
    int32_t stripHeight = 0;
};

} // namespace Marquel
