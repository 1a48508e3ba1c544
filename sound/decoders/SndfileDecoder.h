#pragma once

#include "sound/Decoder.h"

#include <cstddef>
#include <memory>

namespace Marquel::Audio {

// libsndfile's formats (WAV, AIFF, FLAC, Ogg Vorbis, Opus and more) but MP3; null when it
// does not open the bytes. The bytes must outlive the decoder.
std::unique_ptr<Decoder> openSndfile(const void* data, size_t size);

} // namespace Marquel::Audio
