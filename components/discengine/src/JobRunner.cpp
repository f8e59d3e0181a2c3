#include "discengine/JobRunner.h"

#include <algorithm>

namespace discengine {

JobRunner::~JobRunner() {
    {
        std::lock_guard lock(mutex_);
        for (auto& job : jobs_)
            job.token->Cancel();
    }
    WaitIdle();
}

void JobRunner::ReapFinishedLocked(std::vector<std::thread>& toJoin) {
    for (auto it = jobs_.begin(); it != jobs_.end();) {
        if (it->finished) {
            toJoin.push_back(std::move(it->thread));
            it = jobs_.erase(it);
        } else {
            ++it;
        }
    }
}

bool JobRunner::Start(const std::vector<std::string>& keys, Work work) {
    std::vector<std::thread> toJoin;
    bool started = false;
    {
        std::lock_guard lock(mutex_);
        ReapFinishedLocked(toJoin);
        bool busy = std::any_of(jobs_.begin(), jobs_.end(), [&](const Job& job) {
            return std::any_of(keys.begin(), keys.end(), [&](const std::string& key) {
                return std::find(job.keys.begin(), job.keys.end(), key) != job.keys.end();
            });
        });
        if (!busy) {
            auto& job = jobs_.emplace_back();
            job.keys = keys;
            job.token = std::make_shared<CancelToken>();
            Job* self = &job; // list nodes stay put; erased only after `finished` is set
            job.thread = std::thread([this, self, token = job.token, work = std::move(work)] {
                try {
                    work(*token);
                } catch (...) {
                    // A job reports its own failures as events; nothing may escape the thread.
                }
                std::lock_guard lock(mutex_);
                self->finished = true;
                idle_.notify_all();
            });
            started = true;
        }
    }
    for (auto& thread : toJoin)
        thread.join();
    return started;
}

bool JobRunner::IsBusy(const std::string& key) const {
    std::lock_guard lock(mutex_);
    return std::any_of(jobs_.begin(), jobs_.end(), [&](const Job& job) {
        return !job.finished && std::find(job.keys.begin(), job.keys.end(), key) != job.keys.end();
    });
}

bool JobRunner::Cancel(const std::string& key) {
    std::lock_guard lock(mutex_);
    for (auto& job : jobs_) {
        if (!job.finished && std::find(job.keys.begin(), job.keys.end(), key) != job.keys.end()) {
            job.token->Cancel();
            return true;
        }
    }
    return false;
}

void JobRunner::WaitIdle() {
    std::vector<std::thread> toJoin;
    {
        std::unique_lock lock(mutex_);
        idle_.wait(lock, [&] {
            return std::all_of(jobs_.begin(), jobs_.end(),
                               [](const Job& job) { return job.finished; });
        });
        ReapFinishedLocked(toJoin);
    }
    for (auto& thread : toJoin)
        thread.join();
}

} // namespace discengine

namespace discengine {

void JobRunner::CancelAll() {
    std::lock_guard lock(mutex_);
    for (auto& job : jobs_)
        job.token->Cancel();
}

} // namespace discengine
