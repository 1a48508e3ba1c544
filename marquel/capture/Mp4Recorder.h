#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace Marquel {

// Records a demo into one MP4 file as it plays: H.264 video (4:2:0, so every player shows
// it) at exactly fps / fpsBase, and the music as AAC beside it. The file is fragmented and
// written in place as it grows, so a recording cut short still plays up to its last second.
// Its header bears the player's mark (OutputMark.h) in the comment tag.
// Not thread-safe: one thread gives all the frames.
class Mp4Recorder {
public:
    struct Settings {
        // Where the file goes on disk; an existing file is replaced.
        std::string path;
        int32_t width = 0;
        int32_t height = 0;
        int32_t fps = 0;
        int32_t fpsBase = 1;
        // x264's constant rate factor, 1 to 51: lower is better and bigger (0, lossless, takes
        // a profile that browsers do not play).
        int32_t crf = 18;
        // The music file's bytes (any format the sound library plays), or null for a file
        // without sound. They must outlive the recorder.
        const void* music = nullptr;
        size_t musicSize = 0;
        // The music time, in seconds, that frame 0 shows; before 0 the sound starts with
        // silence.
        double musicStart = 0;
        // x264's speed preset ("ultrafast" to "placebo"); empty for the recorder's own, the
        // slowest that records the demo here faster than it plays.
        std::string preset;
        // The music file's name, which the sound libraries' own warnings are given.
        std::string musicName;
    };

    // True for names whose extension is "mp4".
    static bool takes(const std::string& name);

    // Opens the encoders and checks the file. Throws Marquel::Exception ("[Marquel] ...")
    // when an encoder, the muxer, the file or the music cannot be opened, for a file that is
    // a link or no regular file, and for a rate whose frames the file cannot hold.
    explicit Mp4Recorder(const Settings& settings);
    // Ends the file when finish was not called; never throws.
    ~Mp4Recorder();
    Mp4Recorder(const Mp4Recorder&) = delete;
    Mp4Recorder& operator=(const Mp4Recorder&) = delete;

    // Encodes the next frame from rows of width * height BGRA pixels, the bottom row first
    // (as OpenGL reads them; alpha is ignored), and the music up to that frame's end. False
    // once a write has failed: the file is then cut back to its last whole fragment (removed
    // when not even its header reached the disk), and the frames after it are lost.
    bool addFrame(const uint8_t* rows);
    // Drains the encoders and ends the file; false when that failed. Calls after the first
    // do nothing.
    bool finish();

    // Frames given to addFrame, and how many of them the file holds (after finish).
    int64_t framesGiven() const;
    int64_t framesLost() const;
    // Why the recording stopped early, as one "[Marquel] Could not ..." line; empty while
    // nothing failed.
    const std::string& failure() const;

private:
    struct State;
    std::unique_ptr<State> state;
};

} // namespace Marquel
