#pragma once

#include "discengine/Engine.h"

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

// Shared by the image and burn commands: prints the write events (a progress bar on a terminal,
// plain lines otherwise) and waits for the job's end.
namespace cli {

class WriteWatcher final : public discengine::IEngineListener {
public:
    explicit WriteWatcher(std::string verb) : verb_(std::move(verb)) {}

    void OnWriteStatus(std::int32_t, std::int32_t imageProgress, std::int32_t, std::int32_t,
                       std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                       std::int32_t status, bool&) override;
    void OnWriteError(std::int32_t, std::shared_ptr<discengine::IWriteErrorX> error) override;
    void OnTrackFileWarning(std::int32_t, std::shared_ptr<discengine::IFileErrorX> error,
                            std::int32_t, bool& ignore) override;
    void OnFileVerifyStart(std::int32_t, std::int32_t count) override;
    void OnFileVerify(std::int32_t, std::shared_ptr<discengine::IDataItemX> item, double, double,
                      std::int32_t status, std::int32_t, std::int32_t, bool&) override;
    void OnFileVerifyComplete(std::int32_t, std::int32_t count, std::int32_t matched) override;

    // The final status (9 completed, 10 cancelled, 11 error). Ctrl+C (SIGINT) or SIGTERM while
    // waiting calls `cancel` once, so the job ends cleanly and leaves nothing half-written.
    int Wait(const std::function<void()>& cancel = {});
    bool VerifyFailed() const { return verifyFailures_ > 0; }

private:
    void EndLine();
    std::string verb_;
    bool tty_;
    bool barShown_ = false;
    int lastStatus_ = -1, lastPrinted_ = -1;
    int verifyFailures_ = 0;
    std::mutex mutex_;
    std::condition_variable changed_;
    int final_ = -1;

public:
    WriteWatcher(const WriteWatcher&) = delete;
};

// Adds a command-line source to the image's root: a folder's content (native or "X:\..."),
// or a single file. Throws on a missing source. Returns true when entries of a native folder
// were left out (each named on stderr).
bool AddSourceToImage(discengine::IDVDEngineX& engine, discengine::IFileLayoutX& layout,
                      const std::string& source);

} // namespace cli
