#pragma once

#include "DriveState.h"
#include "discengine/JobRunner.h"
#include "discengine/Listener.h"
#include "discengine/Volume.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <shared_mutex>

namespace discengine {

// Delivers events to the current listener. Jobs hold it, so it outlives every job.
class ListenerHub {
public:
    void Set(IEngineListener* listener) {
        std::unique_lock lock(mutex_);
        listener_ = listener;
    }
    template <class F> void Emit(F&& call) {
        std::shared_lock lock(mutex_);
        if (listener_)
            call(*listener_);
    }

private:
    std::shared_mutex mutex_;
    IEngineListener* listener_ = nullptr;
};

// What a drive's jobs and its IDeviceX share: identity and the last state read.
struct DriveShared {
    std::filesystem::path folder;
    std::int32_t index = 0;
    char letter = 'D';
    mutable std::mutex mutex;
    DriveState state;                      // guarded by mutex
    std::atomic<std::int32_t> jobSpeed{0}; // KB/s of the running job, 0 when idle
    // The data disc's volume, kept while the disc is in the drive (DriveVolume).
    mutable std::mutex volumeMutex;
    mutable std::shared_ptr<IDiscVolume> volume; // guarded by volumeMutex

    DriveState Snapshot() const {
        std::lock_guard lock(mutex);
        return state;
    }
    // A drive whose drive.ini cannot be read stays in the list, empty, with the reason.
    void Reload(bool checkPayload) {
        DriveState fresh;
        try {
            fresh = LoadDriveState(folder, checkPayload);
        } catch (const std::exception& error) {
            fresh.folder = folder;
            fresh.config.product = "Unreadable Drive";
            fresh.problem = error.what();
        }
        std::lock_guard lock(mutex);
        state = std::move(fresh);
    }
};

// The engine's drive state for a drive letter; null when the engine has no such drive. Images
// find their drives through it, so they never keep a drive's IDeviceX (or the engine) alive.
using DriveLookup = std::function<std::shared_ptr<DriveShared>(char letter)>;

// Owned by the engine and its drives; jobs never hold it (so it is never destroyed on a
// worker thread).
struct EngineCore {
    JobRunner jobs;
    std::shared_ptr<ListenerHub> hub = std::make_shared<ListenerHub>();
};

// The erase job body (runs on a worker thread).
void RunErase(const std::shared_ptr<DriveShared>& drive, const std::shared_ptr<ListenerHub>& hub,
              bool quick, std::int32_t speedKBs, const CancelToken& cancel);

} // namespace discengine
