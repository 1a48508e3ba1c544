#pragma once

#include "sound/Decoder.h"

#include <cstdint>
#include <vector>

namespace Marquel::Audio {

// Output format of the whole library.
constexpr int OUTPUT_RATE = 44100;

// One playing of a decoder at the output rate in stereo, resampling linearly when the file's
// rate differs, and counting what it hands out so the heard position can be told.
class Stream {
public:
    explicit Stream(Decoder& decoder);

    // Adds the next frames into mix (interleaved stereo) when audible; a silent stream still
    // advances. Past the end it adds nothing but keeps counting, so the position catches up
    // with the last frame once the device has played it.
    void render(int* mix, int frames, bool audible);

    // Seeks to ms and answers the position it really plays from (a module lands on a row). A
    // position past the end is kept as asked and plays nothing. Answers -1 when the decoder
    // could not seek.
    double seek(double ms);

    // The position heard when the device still holds latencyFrames frames not yet played.
    double position(int latencyFrames) const;

private:
    void refill();

    Decoder& decoder;
    double step;                // source frames per output frame
    std::vector<int16_t> raw;   // one read from a decoder that is not stereo
    std::vector<int16_t> input; // stereo source frames not yet passed
    size_t inputFrames = 0;
    double inputPos = 0;  // in source frames, into input
    bool dry = false;     // the decoder has nothing more
    double baseMs = 0;    // where the last seek (or the start) put the stream
    int64_t handed = 0;   // output frames handed out since then
    int64_t produced = 0; // of which carried sound from the file
};

} // namespace Marquel::Audio
