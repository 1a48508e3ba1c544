#include "marquel/capture/PngSequenceSink.h"

#include "marquel/Display.h"
#include "marquel/capture/OutputMark.h"
#include "vx/Image.h"
#include "vx/ImageObject.h"

#include <dirent.h>

#include <algorithm>
#include <cctype>
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

std::string PngSequenceSink::foreignFile() const {
    // Frame names are "<base>.<number>.<extension>", the number of six digits or more.
    const std::string first = writer->frameName(0);
    const size_t number = first.rfind(".000000.");
    if (number == std::string::npos)
        return std::string();
    const std::string below = first.substr(0, first.find_last_of('/') + 1);
    const std::string prefix = first.substr(below.size(), number + 1 - below.size());
    const std::string suffix = first.substr(number + 7);
    DIR* listing = ::opendir((folder + "/" + below).c_str());
    if (!listing)
        return std::string();
    std::string foreign;
    while (const dirent* entry = ::readdir(listing)) {
        const std::string name = entry->d_name;
        const size_t digits = name.size() - std::min(name.size(), prefix.size() + suffix.size());
        if (digits < 6 || name.compare(0, prefix.size(), prefix) != 0 ||
            name.compare(prefix.size() + digits, suffix.size(), suffix) != 0 ||
            !std::all_of(name.begin() + prefix.size(), name.end() - suffix.size(),
                         [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }))
            continue;
        if (Marquel::foreignFile(folder + "/" + below + name, OUTPUT_KIND_PNG)) {
            foreign = below + name;
            break;
        }
    }
    ::closedir(listing);
    return foreign;
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
