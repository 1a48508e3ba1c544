#include "sound/Stream.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace Marquel::Audio {

namespace {
constexpr int READ_FRAMES = 4096;
}

Stream::Stream(Decoder& decoder)
    : decoder(decoder), step(static_cast<double>(decoder.rate()) / OUTPUT_RATE),
      raw(decoder.channels() == 2 ? 0 : static_cast<size_t>(READ_FRAMES) * decoder.channels()) {
}

void Stream::refill() {
    // Keep the frames not yet passed (one or two, for interpolation) at the front.
    size_t keep = std::min(static_cast<size_t>(inputPos), inputFrames);
    // Before the first read the buffer has no storage at all, and memmove takes no null.
    if (inputFrames > keep)
        std::memmove(input.data(), input.data() + keep * 2, (inputFrames - keep) * 4);
    inputFrames -= keep;
    inputPos -= static_cast<double>(keep);
    input.resize(std::max(input.size(), (inputFrames + READ_FRAMES) * 2));
    int16_t* to = input.data() + inputFrames * 2;
    int channels = decoder.channels();
    int got = dry ? 0 : decoder.read(channels == 2 ? to : raw.data(), READ_FRAMES);
    if (got <= 0) {
        dry = true;
        return;
    }
    if (channels != 2) {
        // Mono plays on both sides; beyond stereo the first two channels are front left/right.
        int right = channels > 1 ? 1 : 0;
        for (int i = 0; i < got; ++i) {
            to[2 * i] = raw[static_cast<size_t>(i * channels)];
            to[2 * i + 1] = raw[static_cast<size_t>(i * channels + right)];
        }
    }
    inputFrames += static_cast<size_t>(got);
}

void Stream::render(int* mix, int frames, bool audible) {
    handed += frames;
    int done = 0;
    while (done < frames) {
        size_t at = static_cast<size_t>(inputPos);
        // Interpolation needs the frame after the current one, except at the very end. A
        // refill moves the frames kept, even when it finds nothing more: look again from
        // where they now are.
        if (at + 1 >= inputFrames && !dry) {
            refill();
            continue;
        }
        if (at >= inputFrames)
            break;
        if (step == 1.0) {
            int n = static_cast<int>(std::min<size_t>(inputFrames - at, frames - done));
            if (audible) {
                const int16_t* from = input.data() + at * 2;
                int* to = mix + done * 2;
                for (int i = 0; i < n * 2; ++i)
                    to[i] += from[i];
            }
            inputPos += n;
            done += n;
            continue;
        }
        for (; done < frames && at < inputFrames; at = static_cast<size_t>(inputPos)) {
            if (at + 1 >= inputFrames && !dry)
                break;
            if (audible) {
                const int16_t* a = input.data() + at * 2;
                const int16_t* b = at + 1 < inputFrames ? a + 2 : a;
                double f = inputPos - static_cast<double>(at);
                mix[done * 2] += static_cast<int>(a[0] + (b[0] - a[0]) * f);
                mix[done * 2 + 1] += static_cast<int>(a[1] + (b[1] - a[1]) * f);
            }
            inputPos += step;
            ++done;
        }
    }
    produced += done;
}

double Stream::seek(double ms) {
    int64_t frame = static_cast<int64_t>(ms * decoder.rate() / 1000.0);
    int64_t length = decoder.length();
    inputFrames = 0;
    inputPos = 0;
    handed = produced = 0;
    baseMs = ms;
    dry = length >= 0 && frame >= length;
    if (dry)
        return ms;
    int64_t at = decoder.seek(frame);
    if (at < 0) {
        dry = true;
        return -1;
    }
    if (at != frame)
        baseMs = static_cast<double>(at) * 1000.0 / decoder.rate();
    return baseMs;
}

double Stream::position(int latencyFrames) const {
    int64_t heard = std::clamp<int64_t>(handed - latencyFrames, 0, produced);
    return baseMs + static_cast<double>(heard) * 1000.0 / OUTPUT_RATE;
}

} // namespace Marquel::Audio
