#include "marquel/capture/PngSequenceSink.h"

#include "marquel/Display.h"
#include "vx/Image.h"
#include "vx/ImageObject.h"

#include <cstdio>

namespace Marquel {

namespace {

// PNG frames encode on both cores while the player draws.
constexpr int PNG_WORKERS = 2;
constexpr size_t PNG_FRAMES_UNDER_WAY = 4;

} // namespace

PngSequenceSink::PngSequenceSink(const std::string& name, const Vx::VideoInfo& newInfo,
                                 Vx::FileSystem& output, std::string newFolder)
    : info(newInfo), folder(std::move(newFolder)),
      writer(Vx::openVideoWriter(name, &info, &output)) {
}

int PngSequenceSink::workers() const {
    return PNG_WORKERS;
}

size_t PngSequenceSink::framesUnderWay() const {
    return PNG_FRAMES_UNDER_WAY;
}

void PngSequenceSink::encode(FramePipeline::Frame& frame) {
    // A frame of another size (the window changed) is lost, not read past its end.
    const int32_t w = info.width;
    const int32_t h =
        frame.rows.size() == static_cast<size_t>(w) * info.height * 4 ? info.height : 0;
    Vx::Image image{new Vx::ImageObject(w, h, nullptr, nullptr, "frame")};
    if (uint8_t* pixels = image->getWriteData())
        uprightOpaque(frame.rows.data(), pixels, w, h);
    frame.encoded = writer->encodeFrame(image, static_cast<int32_t>(frame.index));
    frame.ok = !frame.encoded.isNull();
}

bool PngSequenceSink::write(FramePipeline::Frame& frame) {
    return frame.ok && writer->writeEncoded(frame.encoded);
}

void PngSequenceSink::reportLoss(int64_t dumped, int64_t lost, bool) {
    // A frame that cannot be written is dropped and the dump goes on, but a recording with
    // holes must not look complete.
    if (lost > 0)
        std::fprintf(stderr,
                     "[Marquel] %lld of %lld video-dump frames could not be written into "
                     "'%s'\n",
                     static_cast<long long>(lost), static_cast<long long>(dumped), folder.c_str());
}

} // namespace Marquel
