#include "marquel/capture/Mp4Sink.h"

#include "marquel/Exception.h"
#include "marquel/capture/OutputMark.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace Marquel {

namespace {

constexpr size_t VIDEO_FRAMES_UNDER_WAY = 3;

} // namespace

Mp4Sink::Mp4Sink(const std::string& newName, const Vx::VideoInfo& newInfo, std::string newFolder)
    : name(newName), folder(std::move(newFolder)), info(newInfo) {
}

Mp4Sink::~Mp4Sink() {
    // The recorder reads the music's bytes until it ends.
    recorder.reset();
}

void Mp4Sink::configure(const std::string& crfText, const std::string& preset) {
    settings.preset = preset;
    // Lower is better and bigger; the recorder's 18 looks the same as the frames to most eyes.
    if (crfText.empty())
        return;
    char* end = nullptr;
    const long value = std::strtol(crfText.c_str(), &end, 10);
    // 0 is lossless, which x264 codes in a profile that browsers do not play.
    if (*end != '\0' || value < 1 || value > 51) {
        throw Exception("[Marquel] The videodump '%s' needs a crf from 1 to 51, not '%s'",
                        name.c_str(), crfText.c_str());
    }
    settings.crf = static_cast<int32_t>(value);
}

std::string Mp4Sink::foreignFile() const {
    return Marquel::foreignFile(folder + "/" + name, OUTPUT_KIND_MP4) ? name : std::string();
}

size_t Mp4Sink::framesUnderWay() const {
    return VIDEO_FRAMES_UNDER_WAY;
}

void Mp4Sink::open(const Start& start) {
    videoStopped = false;
    music = start.music;
    settings.path = folder + "/" + name;
    // A name with folders in it gets them, as a PNG sequence's does.
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(settings.path).parent_path(),
                                        ignored);
    settings.width = info.width;
    settings.height = info.height;
    settings.fps = info.fps;
    settings.fpsBase = info.fpsBase;
    if (!music.isNull()) {
        settings.music = music->getChars();
        settings.musicSize = static_cast<size_t>(music->getSize());
        settings.musicName = music->getName();
    }
    settings.musicStart = start.musicStart;
    recorder = std::make_unique<Mp4Recorder>(settings);
}

void Mp4Sink::encode(FramePipeline::Frame& frame) {
    const size_t bytes = static_cast<size_t>(info.width) * info.height * 4;
    // A frame of another size (the window changed) cannot go into the video.
    frame.ok = frame.rows.size() == bytes && recorder->addFrame(frame.rows.data());
    if (!recorder->failure().empty())
        videoStopped = true;
}

bool Mp4Sink::close() {
    return recorder->finish();
}

void Mp4Sink::reportLoss(int64_t dumped, int64_t, bool ended) {
    // Frames the recorder never got (the window changed size) are lost as well.
    const int64_t kept = recorder->framesGiven() - recorder->framesLost();
    const int64_t lost = dumped - kept;
    const std::string failure = recorder->failure();
    recorder.reset();
    music.reset();
    if (!failure.empty())
        std::fprintf(stderr, "%s\n", failure.c_str());
    if (lost > 0 || !ended) {
        const Exception lostLine(
            "[Marquel] %lld of %lld video frames could not be written into '%s/%s'; it "
            "holds the first %lld",
            static_cast<long long>(lost), static_cast<long long>(dumped), folder.c_str(),
            name.c_str(), static_cast<long long>(kept));
        // A video that stopped on a failed write must not pass for a finished one.
        if (!ended)
            throw lostLine;
        std::fprintf(stderr, "%s\n", lostLine.what());
    }
}

} // namespace Marquel
