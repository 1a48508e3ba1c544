// Any bytes as a music file: what opens plays through the resampler to its end, then seeks to
// its start, its middle and past its end and plays on from each, as the player's keys do.
// Every seek answers -1 or the position it plays from, and the position heard never runs
// ahead of what was handed out. Seeks stay inside the player's clock (0 to 2,000,000 s).

#include "fuzz/Finding.h"
#include "sound/Decoder.h"
#include "sound/Stream.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace {

namespace Audio = Marquel::Audio;

constexpr double FARTHEST_MS = 2e9;
constexpr int CHUNK = 1024;
// A module may loop for hours: the end is looked for this far.
constexpr int64_t MOST_CHUNKS = 60LL * Audio::OUTPUT_RATE / CHUNK;
constexpr int CHUNKS_AFTER_SEEK = 16;

// Renders up to chunks chunks, answering the milliseconds the stream played before it ran dry.
double play(Audio::Stream& stream, int64_t chunks) {
    std::vector<int> mix(CHUNK * 2);
    double from = stream.position(0);
    double at = from;
    for (int64_t n = 1; n <= chunks; ++n) {
        stream.render(mix.data(), CHUNK, true);
        double heard = stream.position(0);
        if (!(heard >= at) || heard > from + n * CHUNK * 1000.0 / Audio::OUTPUT_RATE + 1e-6)
            Fuzz::finding("the position went back or ran ahead of the frames handed out",
                          std::to_string(at), std::to_string(heard));
        if (heard == at)
            break;
        at = heard;
    }
    return at - from;
}

void seek(Audio::Stream& stream, double ms) {
    ms = std::clamp(std::floor(ms), 0.0, FARTHEST_MS);
    double at = stream.seek(ms);
    if (at != -1 && !(at >= 0 && std::isfinite(at)))
        Fuzz::finding("a seek answered no position", std::to_string(ms), std::to_string(at));
    play(stream, CHUNKS_AFTER_SEEK);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::unique_ptr<Audio::Decoder> decoder;
    if (Audio::openDecoder(data, size, decoder) != Audio::DECODER_OK)
        return 0;
    if (!decoder)
        Fuzz::finding("a file that opened has no decoder");
    // The player starts every stream with a seek to its start.
    Audio::Stream stream(*decoder);
    if (stream.seek(0) < 0)
        return 0;
    double played = play(stream, MOST_CHUNKS);
    double lengthMs = decoder->length() < 0
                          ? played
                          : static_cast<double>(decoder->length()) * 1000.0 / decoder->rate();
    seek(stream, 0);
    seek(stream, lengthMs / 2);
    seek(stream, lengthMs + 1000);
    return 0;
}
