#pragma once

#include "update/Crypto.h"
#include "update/Manifest.h"
#include "update/Transport.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace update {

// The states an update goes through, as the updater window shows them.
enum UpdateState : int {
    StateChecking = 1,
    StateChecked = 2,
    StateDownloading = 3,
    StateUnpacking = 4,
    StateInstalled = 5,
    StateReinstall = 6,
    StateError = 10,
};

// Error codes of state 10.
enum UpdateError : std::uint64_t {
    ErrNoAddress = 1,
    ErrNetwork = 2,
    ErrManifest = 3,
    ErrSignature = 4,
    ErrPackage = 5,
    ErrUnpack = 6,
    ErrInstall = 7,
    ErrNothingFound = 8,
    ErrBusy = 9,
};

struct UpdateEvent {
    int State = 0;
    bool Flag = false;
    std::string Text;
    std::uint64_t Value1 = 0;
    std::uint64_t Value2 = 0;
    std::uint64_t Value3 = 0;
    // The job that raised it; a binding drops events of a job that was stopped since.
    unsigned Job = 0;
};

// Checks, downloads, verifies, unpacks and installs an update of the bundle in AppDir. Work runs
// on a thread of its own; OnUpdating is called on that thread (the program's binding moves it to
// its window's thread). The manifest must carry a valid signature of `trustedKey`.
class TUpdater {
public:
    TUpdater(const PublicKey& trustedKey, std::string productName);
    ~TUpdater();
    TUpdater(const TUpdater&) = delete;
    TUpdater& operator=(const TUpdater&) = delete;

    std::string AppDir;
    std::string CurVer;
    std::string UpdateUrl;
    std::function<void(const UpdateEvent&)> OnUpdating;

    void CheckForUpdate();
    void DownloadUpdate();
    void StopUpdate();
    // Waits for the current job's thread to end (a stopped download ends at once; an install
    // runs to its end or its rollback).
    void WaitUntilIdle();

    // The job whose events are current; a stop makes every earlier job's events stale.
    unsigned CurrentJob() const { return job_.load(); }
    TransferOptions Transfer;

private:
    void Start(void (TUpdater::*work)(unsigned));
    void Check(unsigned job);
    void Download(unsigned job);
    void Emit(unsigned job, UpdateEvent event);
    void Fail(unsigned job, const std::string& text, std::uint64_t code);

    PublicKey key_;
    std::string product_;
    std::thread worker_;
    std::atomic<bool> stop_{false};
    std::atomic<unsigned> job_{0};
    std::mutex mutex_;
    std::optional<Manifest> found_;
    std::string foundFrom_;
    // Copies of the properties taken when a job starts.
    std::string appDir_, curVer_, url_;
};

// Reads the update address and recorded version from the installation file of `appDir`.
struct InstallationInfo {
    std::string url;
    std::string version;
};
InstallationInfo ReadInstallationInfo(const std::string& appDir);
bool RecordInstalledVersion(const std::string& appDir, const std::string& version);

} // namespace update
