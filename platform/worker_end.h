// The end of a worker thread that keeps its shared state alive itself (the
// calendars' and the sync's): told to stop under `hold`, it is waited for at
// most `wait` (a network request under way ends at its own time limits) and
// joined, or else left to finish after its owner is gone.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

inline void EndWorker(std::thread& worker, std::unique_lock<std::mutex>& hold,
                      std::condition_variable& ended, const bool& workerEnded,
                      std::chrono::seconds wait) {
    const bool done = ended.wait_for(hold, wait, [&workerEnded] { return workerEnded; });
    hold.unlock();
    if (done)
        worker.join();
    else
        worker.detach();
}
