#pragma once

#include "Disc.h"
#include "RipJob.h"
#include "RipSettings.h"
#include "cdgrb/cdgrb.h"

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

// A grabber: a drive letter, the encoder settings for the next track, a monitor, and at most
// one rip running on its own thread.
namespace cdgrb {

// Turns a drive letter into what libcdio opens; nothing when the letter has no readable medium.
using SourceResolver = std::function<std::optional<Source>(char letter)>;

class Grabber {
public:
    explicit Grabber(SourceResolver resolver) : resolver_(std::move(resolver)) {}
    ~Grabber();
    Grabber(const Grabber&) = delete;
    Grabber& operator=(const Grabber&) = delete;

    int setLetter(int letter);
    int setEncoderOptions(int format, const void* record, int size);
    int setMonitor(TGrbMonitorProc monitor);
    int ripTrack(int trackIndex);
    // Stops the running rip and waits until it has ended (its file removed, kind 3 reported);
    // called from the monitor itself it only asks.
    int abortRip();
    int trackResult(TGrbTrackResult& out);
    int setReadOffset(int samples);

private:
    void finishThread();

    SourceResolver resolver_;
    std::mutex mutex_;
    char letter_ = 0;
    std::optional<RipSettings> settings_;
    int settingsError_ = CDGRB_E_NO_OPTIONS;
    TGrbMonitorProc monitor_ = nullptr;
    std::int32_t readOffset_ = 0;

    // What the rip thread shares with the grabber, so that it never needs the grabber itself.
    struct RunState {
        std::mutex mutex;
        std::condition_variable cv;
        bool done = false;
    };
    std::shared_ptr<RunState> run_;
    std::shared_ptr<RipJob> job_;
    std::thread thread_;
};

} // namespace cdgrb
