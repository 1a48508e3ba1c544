#include "marquel/capture/AvCheck.h"

#include "marquel/Exception.h"

extern "C" {
#include <libavutil/error.h>
}

namespace Marquel {

int avCheck(int code, const std::string& what) {
    if (code < 0) {
        char reason[AV_ERROR_MAX_STRING_SIZE] = {};
        av_strerror(code, reason, sizeof reason);
        throw Exception("[Marquel] Could not %s: %s", what.c_str(), reason);
    }
    return code;
}

} // namespace Marquel
