#include "Grabber.h"

#include <chrono>

namespace cdgrb {
namespace {
// Long enough for any encoder to notice the abort between two chunks.
constexpr auto kAbortWait = std::chrono::seconds(10);
} // namespace

Grabber::~Grabber() {
    abortRip();
    std::lock_guard lock(mutex_);
    finishThread();
}

void Grabber::finishThread() {
    if (!thread_.joinable())
        return;
    if (thread_.get_id() == std::this_thread::get_id())
        thread_.detach(); // called from its own monitor: the thread holds what it still needs
    else
        thread_.join();
    job_.reset();
    run_.reset();
}

int Grabber::setLetter(int letter) {
    std::lock_guard lock(mutex_);
    letter_ = static_cast<char>(letter & 0xFF);
    return CDGRB_OK;
}

int Grabber::setEncoderOptions(int format, const void* record, int size) {
    RipSettings settings;
    const int rc = parseRecord(format, record, size, settings);
    std::lock_guard lock(mutex_);
    settingsError_ = rc;
    if (rc == CDGRB_OK)
        settings_ = std::move(settings);
    else
        settings_.reset();
    return rc;
}

int Grabber::setMonitor(TGrbMonitorProc monitor) {
    std::lock_guard lock(mutex_);
    monitor_ = monitor;
    return CDGRB_OK;
}

int Grabber::ripTrack(int trackIndex) {
    std::lock_guard lock(mutex_);
    // A caller that saw the end report may start the next track at once: the thread that made
    // the report has nothing left to do but return.
    if (job_ && !job_->ended())
        return CDGRB_E_BUSY;
    finishThread();
    if (!settings_)
        return settingsError_;
    if (letter_ == 0)
        return CDGRB_E_DRIVE;
    const std::optional<Source> source = resolver_(letter_);
    if (!source)
        return CDGRB_E_DRIVE;
    std::unique_ptr<RipJob> prepared;
    const int rc =
        RipJob::prepare(*source, trackIndex & 0xFF, *settings_, monitor_, readOffset_, prepared);
    if (rc != CDGRB_OK)
        return rc;
    std::shared_ptr<RipJob> job = std::move(prepared);
    auto run = std::make_shared<RunState>();
    // Nothing is kept unless the thread started: a job that never ran removes its file.
    std::thread thread([job, run] {
        job->run();
        {
            std::lock_guard done(run->mutex);
            run->done = true;
        }
        run->cv.notify_all();
    });
    job_ = std::move(job);
    run_ = std::move(run);
    thread_ = std::move(thread);
    return CDGRB_OK;
}

int Grabber::setReadOffset(int samples) {
    // Real drives are off by a few thousand samples at most; more is a mistake, not a drive.
    if (samples < -100000 || samples > 100000)
        return CDGRB_E_ARGUMENT;
    std::lock_guard lock(mutex_);
    readOffset_ = samples;
    return CDGRB_OK;
}

int Grabber::trackResult(TGrbTrackResult& out) {
    std::lock_guard lock(mutex_);
    if (!job_)
        return CDGRB_E_NO_OPTIONS;
    if (!job_->ended())
        return CDGRB_E_BUSY;
    out = job_->result();
    return CDGRB_OK;
}

int Grabber::abortRip() {
    std::shared_ptr<RipJob> job;
    std::shared_ptr<RunState> run;
    bool ownThread = false;
    {
        std::lock_guard lock(mutex_);
        job = job_;
        run = run_;
        ownThread = thread_.joinable() && thread_.get_id() == std::this_thread::get_id();
    }
    if (!job)
        return CDGRB_OK;
    job->abort();
    if (ownThread)
        return CDGRB_OK;
    std::unique_lock wait(run->mutex);
    return run->cv.wait_for(wait, kAbortWait, [&] { return run->done; }) ? CDGRB_OK : CDGRB_E_BUSY;
}

} // namespace cdgrb
