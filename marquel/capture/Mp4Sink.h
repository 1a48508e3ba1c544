#pragma once

#include "marquel/capture/FrameSink.h"
#include "marquel/capture/Mp4Recorder.h"

#include <atomic>
#include <memory>
#include <string>

namespace Marquel {

// One MP4 file with the music: the frames go to one thread in order, as the video encoder
// spreads over the cores by itself. Its sound runs straight on, so the picture must too.
class Mp4Sink : public FrameSink {
public:
    // True for names this kind takes.
    static bool takes(const std::string& name) { return Mp4Recorder::takes(name); }

    Mp4Sink(const std::string& name, const Vx::VideoInfo& info, std::string folder);
    ~Mp4Sink() override;

    // The crf, 1 to 51 (empty for the default), and x264's speed preset.
    void configure(const std::string& crf, const std::string& preset) override;
    std::string firstFile() const override { return name; }
    std::string foreignFile() const override;
    bool takesMusic() const override { return true; }
    bool needsFixedClock() const override { return true; }
    void open(const Start& start) override;
    int workers() const override { return 1; }
    size_t framesUnderWay() const override;
    void encode(FramePipeline::Frame& frame) override;
    bool write(FramePipeline::Frame& frame) override { return frame.ok; }
    bool stopped() const override { return videoStopped; }
    bool close() override;
    void reportLoss(int64_t dumped, int64_t lost, bool ended) override;

private:
    std::string name;
    std::string folder;
    Vx::VideoInfo info;
    Mp4Recorder::Settings settings;
    Vx::File music;
    std::unique_ptr<Mp4Recorder> recorder;
    // Set on a worker thread once the video file takes no more frames.
    std::atomic<bool> videoStopped{false};
};

} // namespace Marquel
