#pragma once

#include "marquel/capture/FrameSink.h"
#include "vx/VideoWriter.h"

#include <memory>
#include <string>

namespace Marquel {

// Every frame its own image file, through the file layer's writer kinds: frames are encoded
// on both cores and written in order. A frame that cannot be written is dropped and the dump
// goes on.
class PngSequenceSink : public FrameSink {
public:
    // Throws the file layer's message for a name none of its writer kinds takes.
    PngSequenceSink(const std::string& name, const Vx::VideoInfo& info, Vx::FileSystem& output,
                    std::string folder);

    std::string firstFile() const override { return writer->frameName(0); }
    // Looks at every frame of an earlier dump of that name, since any of them may be replaced.
    std::string foreignFile() const override;
    bool takesMusic() const override { return false; }
    bool needsFixedClock() const override { return false; }
    void open(const Start&) override {}
    int workers() const override;
    size_t framesUnderWay() const override;
    void encode(FramePipeline::Frame& frame) override;
    bool write(FramePipeline::Frame& frame) override;
    void reportLoss(int64_t dumped, int64_t lost, bool ended) override;

private:
    Vx::VideoInfo info;
    std::string folder;
    std::unique_ptr<Vx::VideoWriter> writer;
};

} // namespace Marquel
