#include "marquel/capture/FrameSink.h"

#include "marquel/capture/Mp4Sink.h"
#include "marquel/capture/PngSequenceSink.h"

namespace Marquel {

std::unique_ptr<FrameSink> openFrameSink(const std::string& name, const Vx::VideoInfo& info,
                                         Vx::FileSystem& output, const std::string& folder) {
    // The kinds by name; whatever none of them takes goes to the file layer's writers.
    if (Mp4Sink::takes(name))
        return std::make_unique<Mp4Sink>(name, info, folder);
    return std::make_unique<PngSequenceSink>(name, info, output, folder);
}

} // namespace Marquel
