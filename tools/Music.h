#pragma once

#include <cstdint>
#include <vector>

namespace Content {

// The demo's track: drums, bass, a pad and a lead, synthesised from the tempo and sections
// of Timing and stored as Ogg Vorbis.
namespace Music {

constexpr int RATE = 44100;

// Interleaved stereo samples from -1 to 1, the whole track.
std::vector<float> render();

// The samples as an Ogg Vorbis file. The stream's serial number is fixed, so the same
// samples always give the same bytes.
std::vector<uint8_t> encodeVorbis(const std::vector<float>& stereo);

} // namespace Music

} // namespace Content
