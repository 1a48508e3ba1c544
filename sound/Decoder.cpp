#include "sound/Decoder.h"

#include "sound/decoders/FileKinds.h"
#include "sound/decoders/ModuleDecoder.h"
#include "sound/decoders/Mpg123Decoder.h"
#include "sound/decoders/SndfileDecoder.h"

#include <libopenmpt/libopenmpt.h>

namespace Marquel::Audio {

DecoderStatus openDecoder(const void* data, size_t size, std::unique_ptr<Decoder>& decoder) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    decoder = openSndfile(data, size);
    int module = OPENMPT_PROBE_FILE_HEADER_RESULT_FAILURE;
    if (!decoder) {
        module = probeModule(data, size);
        if (module == OPENMPT_PROBE_FILE_HEADER_RESULT_SUCCESS)
            decoder = openModule(data, size);
    }
    if (!decoder && looksLikeMpeg(bytes, size))
        decoder = openMpg123(data, size);
    if (decoder)
        return DECODER_OK;
    if (module != OPENMPT_PROBE_FILE_HEADER_RESULT_FAILURE || cutInHeader(bytes, size))
        return DECODER_TRUNCATED;
    return DECODER_UNKNOWN_FORMAT;
}

} // namespace Marquel::Audio
