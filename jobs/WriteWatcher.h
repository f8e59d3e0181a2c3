#pragma once

#include "discengine/Engine.h"

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>

// The one write-progress listener of the terminal front end: prints the write events of every
// image, burn and audio job (a progress bar on a terminal, plain lines otherwise) and waits for
// the job's end, cancelling it on Ctrl+C or SIGTERM.
namespace jobs {

class InterruptWatch;

struct WriteWatchStyle {
    std::string verb = "Writing"; // the bar's word: "Writing", "Burning", "Testing"
    // Audio CDs: the bar names the track ("Writing track 2 of 5") and each cached track is
    // announced.
    bool perTrack = false;
    // Audio CDs let a file warning pass, as the Burn CD page does; a data image with a hole is
    // not what was asked, so there a warning stops the write.
    bool ignoreFileWarnings = false;
    // What a cancelled job leaves: a data write reaches the disc only when it is complete, an
    // audio CD being written keeps what it received and reads as unusable.
    std::string cancelled = "nothing was written";
};

class WriteWatcher final : public discengine::IEngineListener {
public:
    explicit WriteWatcher(WriteWatchStyle style);
    WriteWatcher(const WriteWatcher&) = delete;
    WriteWatcher& operator=(const WriteWatcher&) = delete;

    void OnWriteStatus(std::int32_t, std::int32_t imageProgress, std::int32_t, std::int32_t,
                       std::int32_t track, std::int32_t trackCount, std::int32_t trackProgress,
                       std::int32_t, std::int32_t, std::int32_t status, bool&) override;
    void OnWriteError(std::int32_t, std::shared_ptr<discengine::IWriteErrorX> error) override;
    void OnTrackFileWarning(std::int32_t, std::shared_ptr<discengine::IFileErrorX> error,
                            std::int32_t track, bool& ignore) override;
    void OnFileVerifyStart(std::int32_t, std::int32_t count) override;
    void OnFileVerify(std::int32_t, std::shared_ptr<discengine::IDataItemX> item, double, double,
                      std::int32_t status, std::int32_t, std::int32_t, bool&) override;
    void OnFileVerifyComplete(std::int32_t, std::int32_t count, std::int32_t matched) override;

    // The final status (9 completed, 10 cancelled, 11 error). A signal while waiting calls
    // `cancel` once, so the job ends cleanly and leaves nothing half-written. `watch` is the
    // caller's when the job's earlier steps were already watched; else one is made for the wait.
    int Wait(const std::function<void()>& cancel, const InterruptWatch* watch = nullptr);
    bool VerifyFailed() const { return verifyFailures_ > 0; }

private:
    void Bar(int status, int progress, int track, int trackCount);
    void Line(const char* text);
    void EndLine();

    WriteWatchStyle style_;
    bool tty_;
    bool barShown_ = false;
    int lastStatus_ = -1, lastPrinted_ = -1;
    int verifyFailures_ = 0;
    std::mutex mutex_;
    std::condition_variable changed_;
    int final_ = -1;
};

} // namespace jobs
