#pragma once

#include "sound/Decoder.h"

#include <cstddef>
#include <memory>

namespace Marquel::Audio {

// MP3 through libmpg123, always as stereo; null when it does not open the bytes. The bytes
// must outlive the decoder.
std::unique_ptr<Decoder> openMpg123(const void* data, size_t size);

} // namespace Marquel::Audio
