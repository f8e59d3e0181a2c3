#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace discengine {

// Lets a running job see that somebody asked it to stop. Cancel may be called from any thread.
class CancelToken {
public:
    bool Cancelled() const { return cancelled_.load(); }
    void Cancel() { cancelled_.store(true); }

private:
    std::atomic<bool> cancelled_{false};
};

// Runs the engine's long jobs (writes, erases, verifies) on worker threads the runner owns.
// Each job holds a set of keys ("drive:D", "image:1"); a job whose key is already held by a
// running job is refused, not queued. The destructor cancels and joins every job.
class JobRunner {
public:
    using Work = std::function<void(const CancelToken&)>;

    JobRunner() = default;
    ~JobRunner();
    JobRunner(const JobRunner&) = delete;
    JobRunner& operator=(const JobRunner&) = delete;

    // Starts `work` on a new worker thread; false (and nothing runs) when a key is busy.
    bool Start(const std::vector<std::string>& keys, Work work);
    bool IsBusy(const std::string& key) const;
    // Asks the job holding `key` to stop; false when no job holds it.
    bool Cancel(const std::string& key);
    void CancelAll();
    // Blocks until no job runs. Must not be called from a job.
    void WaitIdle();

private:
    struct Job {
        std::vector<std::string> keys;
        std::shared_ptr<CancelToken> token;
        std::thread thread;
        bool finished = false;
    };
    void ReapFinishedLocked(std::vector<std::thread>& toJoin);

    mutable std::mutex mutex_;
    std::condition_variable idle_;
    std::list<Job> jobs_;
};

} // namespace discengine
