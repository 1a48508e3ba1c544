#include "marquel/capture/FramePipeline.h"

namespace Marquel {

namespace {

// A step that throws fails its frame instead of ending the program.
void runStep(const FramePipeline::Step& step, FramePipeline::Frame& frame) {
    try {
        step(frame);
    } catch (...) {
        frame.ok = false;
    }
}

} // namespace

FramePipeline::FramePipeline(int workers, size_t depth, Step work, Step deliver)
    : work(std::move(work)), deliver(std::move(deliver)), depth(depth > 0 ? depth : 1) {
    for (int i = 0; i < workers; ++i)
        threads.emplace_back([this] { runWorker(); });
}

FramePipeline::~FramePipeline() {
    finish();
}

std::vector<uint8_t> FramePipeline::buffer() {
    std::lock_guard<std::mutex> lock(mutex);
    if (spare.empty())
        return {};
    std::vector<uint8_t> rows = std::move(spare.back());
    spare.pop_back();
    return rows;
}

void FramePipeline::push(std::vector<uint8_t> rows) {
    std::unique_lock<std::mutex> lock(mutex);
    spaceFreed.wait(lock, [this] { return underWay < depth; });
    Frame frame;
    frame.index = nextIndex++;
    frame.rows = std::move(rows);
    ++underWay;
    if (threads.empty()) {
        process(std::move(frame), lock);
        return;
    }
    jobs.push_back(std::move(frame));
    jobsChanged.notify_one();
}

void FramePipeline::finish() {
    {
        std::unique_lock<std::mutex> lock(mutex);
        spaceFreed.wait(lock, [this] { return underWay == 0; });
        stopping = true;
    }
    jobsChanged.notify_all();
    for (std::thread& thread : threads)
        thread.join();
    threads.clear();
}

void FramePipeline::runWorker() {
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
        jobsChanged.wait(lock, [this] { return stopping || !jobs.empty(); });
        if (jobs.empty())
            return;
        Frame frame = std::move(jobs.front());
        jobs.pop_front();
        process(std::move(frame), lock);
    }
}

void FramePipeline::process(Frame frame, std::unique_lock<std::mutex>& lock) {
    lock.unlock();
    frame.ok = true;
    runStep(work, frame);
    lock.lock();
    done.emplace(frame.index, std::move(frame));
    // Counted handles copy rather than move: the copy left here goes while the lock is held,
    // before the thread that delivers the frame can touch the count.
    frame.encoded.reset();
    deliverReady(lock);
}

void FramePipeline::deliverReady(std::unique_lock<std::mutex>& lock) {
    // One thread delivers at a time; it goes on with the frames others finish meanwhile.
    if (delivering)
        return;
    delivering = true;
    for (auto next = done.find(nextDelivery); next != done.end(); next = done.find(nextDelivery)) {
        Frame frame = std::move(next->second);
        done.erase(next);
        lock.unlock();
        runStep(deliver, frame);
        frame.encoded.reset();
        lock.lock();
        ++nextDelivery;
        --underWay;
        spare.push_back(std::move(frame.rows));
        spaceFreed.notify_all();
    }
    delivering = false;
}

} // namespace Marquel
