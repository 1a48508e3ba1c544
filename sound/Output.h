#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace Marquel::Audio {

// Where mixed frames go: the SDL audio device (44.1 kHz, stereo, 16-bit) or, when none can be
// opened, a timer thread that asks for frames at the same pace and drops them. Either way fill
// is called from a thread of the output's own.
class Output {
public:
    using Fill = std::function<void(short* out, int frames)>;

    explicit Output(Fill fill);
    ~Output();
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    // Frames handed out but not heard yet: the device's buffer.
    int latency() const { return bufferFrames; }
    bool silent() const { return timer.joinable(); }

private:
    static void deviceCallback(void* user, unsigned char* stream, int bytes);
    bool openDevice();
    void runTimer();

    Fill fill;
    int bufferFrames = 0;
    bool ownsSubsystem = false;
    std::thread timer;
    std::mutex timerLock;
    std::condition_variable wake;
    bool quit = false;
};

} // namespace Marquel::Audio
