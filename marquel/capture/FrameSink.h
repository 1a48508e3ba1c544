#pragma once

#include "marquel/capture/FramePipeline.h"
#include "vx/File.h"
#include "vx/VideoInfo.h"

#include <cstdint>
#include <memory>
#include <string>

namespace Vx {
class FileSystem;
}

namespace Marquel {

// Where the frames of a video dump go: one kind of output file. Capture draws, reads back
// and counts the frames; a sink says how its kind takes them. A new kind is a new sink and
// one line in openFrameSink.
class FrameSink {
public:
    // What a sink needs once the dump starts.
    struct Start {
        // The music file for the sound, null for none; only asked for by a sink that takes
        // the music.
        Vx::File music;
        // The music time the first frame shows.
        double musicStart = 0;
    };

    virtual ~FrameSink() = default;

    // Reads the kind's own settings of the videodump element; throws Marquel::Exception for
    // one it cannot use. Kinds without settings ignore them.
    virtual void configure(const std::string& crf, const std::string& preset) {
        (void)crf;
        (void)preset;
    }
    // The first file the dump writes, below the output folder; checked before anything is
    // drawn.
    virtual std::string firstFile() const = 0;
    // A file below the output folder that the dump would write over and the player did not
    // write, or empty when there is none; checked before anything is drawn.
    virtual std::string foreignFile() const = 0;
    // Whether the sink records the music, so the player hands it over.
    virtual bool takesMusic() const = 0;
    // Whether the picture must run on the fixed frame clock, without pauses or seeks, to
    // stay with what the sink records beside it; such a dump also leaves the panels out.
    virtual bool needsFixedClock() const = 0;
    // Opens the output before anything is drawn; throws Marquel::Exception when it cannot.
    virtual void open(const Start& start) = 0;
    // How the pipeline runs for this kind: worker threads and frames under way at once.
    virtual int workers() const = 0;
    virtual size_t framesUnderWay() const = 0;
    // A frame's work, on a worker thread.
    virtual void encode(FramePipeline::Frame& frame) = 0;
    // A frame's delivery, one at a time and in order: true when it reached the output.
    virtual bool write(FramePipeline::Frame& frame) = 0;
    // True once the output takes no more frames: the run then ends.
    virtual bool stopped() const { return false; }
    // Closes the output after the last frame; false when it did not end whole.
    virtual bool close() { return true; }
    // Says how many of dumped frames were lost (lost counts the writes that failed), and
    // throws Marquel::Exception when a lost frame means the output is not whole.
    virtual void reportLoss(int64_t dumped, int64_t lost, bool ended) = 0;
};

// The sink for name, chosen by its extension; throws for a name no kind takes. Files go into
// output, whose first source is the folder named folder.
std::unique_ptr<FrameSink> openFrameSink(const std::string& name, const Vx::VideoInfo& info,
                                         Vx::FileSystem& output, const std::string& folder);

} // namespace Marquel
