#pragma once

#include "sound/Decoder.h"

#include <cstddef>
#include <memory>

namespace Marquel::Audio {

// Tracker modules through libopenmpt; null when it does not open the bytes.
std::unique_ptr<Decoder> openModule(const void* data, size_t size);

// libopenmpt's verdict on the bytes' header: OPENMPT_PROBE_FILE_HEADER_RESULT_SUCCESS for a
// module, _WANTMOREDATA for the start of one, _FAILURE for anything else.
int probeModule(const void* data, size_t size);

} // namespace Marquel::Audio
