#pragma once

#include "vx/File.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

namespace Marquel {

// The frames of a recording on their way out: worker threads do each frame's work while the
// player draws the next ones, and the finished frames are delivered one at a time, in frame
// order. Only a few frames are under way at once, so a slow encoder or disk holds the
// player back instead of filling the memory.
class FramePipeline {
public:
    struct Frame {
        int64_t index = 0;
        // B, G, R, A pixels as the display read them back.
        std::vector<uint8_t> rows;
        // What the work made of the rows, for the delivery.
        Vx::File encoded;
        bool ok = false;
    };
    using Step = std::function<void(Frame&)>;

    // Work runs on any of workers threads, delivery on one at a time; neither may throw
    // (an exception counts as a frame not ok). With no workers, push does both itself.
    FramePipeline(int workers, size_t depth, Step work, Step deliver);
    // Finishes.
    ~FramePipeline();
    FramePipeline(const FramePipeline&) = delete;
    FramePipeline& operator=(const FramePipeline&) = delete;

    // A buffer for the next frame's rows: one an earlier frame gave back, or a new one.
    std::vector<uint8_t> buffer();
    // Queues the next frame, after waiting while depth frames are under way.
    void push(std::vector<uint8_t> rows);
    // Waits until every frame is delivered and ends the workers.
    void finish();

private:
    void runWorker();
    // Works on frame outside the lock, then delivers what is ready; lock is held on entry
    // and exit.
    void process(Frame frame, std::unique_lock<std::mutex>& lock);
    // Delivers the finished frames that are next in order; lock is held on entry and exit.
    void deliverReady(std::unique_lock<std::mutex>& lock);

    Step work;
    Step deliver;
    size_t depth;
    std::mutex mutex;
    std::condition_variable jobsChanged;
    std::condition_variable spaceFreed;
    std::deque<Frame> jobs;
    std::map<int64_t, Frame> done;
    std::vector<std::vector<uint8_t>> spare;
    int64_t nextIndex = 0;
    int64_t nextDelivery = 0;
    size_t underWay = 0;
    bool delivering = false;
    bool stopping = false;
    std::vector<std::thread> threads;
};

} // namespace Marquel
