#include "jobs/WriteWatcher.h"

#include "discengine/Disc.h"
#include "discengine/Errors.h"
#include "jobs/Interrupt.h"

#include <chrono>
#include <cstdio>
#include <optional>
#include <unistd.h>

namespace jobs {

namespace {
const char* StatusText(int status) {
    switch (status) {
    case discengine::kWritePreparing:
        return "Preparing image";
    case discengine::kWriteLeadIn:
        return "Writing lead-in";
    case discengine::kWriteClosingTrack:
        return "Closing track";
    case discengine::kWriteLeadOut:
        return "Writing lead-out";
    case discengine::kWriteUpdatingVolume:
        return "Updating volume";
    default:
        return nullptr;
    }
}
} // namespace

WriteWatcher::WriteWatcher(WriteWatchStyle style)
    : style_(std::move(style)), tty_(::isatty(STDOUT_FILENO)) {}

void WriteWatcher::EndLine() {
    if (barShown_)
        std::fputc('\n', stdout);
    barShown_ = false;
}

void WriteWatcher::Line(const char* text) {
    EndLine();
    std::printf("%s...\n", text);
}

void WriteWatcher::Bar(int status, int progress, int track, int trackCount) {
    std::string what = status == discengine::kWriteWriting ? style_.verb : "Caching";
    if (style_.perTrack && status == discengine::kWriteWriting)
        what = "Writing track " + std::to_string(track) + " of " + std::to_string(trackCount);
    if (tty_) {
        const int filled = progress * 40 / 100;
        std::printf(style_.perTrack ? "\r%s [%s%s] %3d%%" : "\r%-8s [%s%s] %3d%%", what.c_str(),
                    std::string(filled, '#').c_str(), std::string(40 - filled, '-').c_str(),
                    progress);
        barShown_ = true;
    } else if (progress / 10 != lastPrinted_ / 10 || status != lastStatus_) {
        std::printf("%s: %d%%\n", what.c_str(), progress);
        lastPrinted_ = progress;
    }
}

void WriteWatcher::OnWriteStatus(std::int32_t, std::int32_t progress, std::int32_t, std::int32_t,
                                 std::int32_t track, std::int32_t trackCount,
                                 std::int32_t trackProgress, std::int32_t, std::int32_t,
                                 std::int32_t status, bool&) {
    std::lock_guard lock(mutex_);
    using namespace discengine;
    if (status == kWriteWriting || status == kWriteCachingImage) {
        Bar(status, progress, track, trackCount);
    } else if (status == kWriteCachingTrack) {
        if (style_.perTrack && trackProgress == 0)
            Line(("Caching track " + std::to_string(track)).c_str());
    } else if (status == kWriteClosingTrack && style_.perTrack) {
        // An audio CD closes every track; the bar goes on across them.
    } else if (const char* text = StatusText(status)) {
        Line(text);
    }
    lastStatus_ = status;
    if (status >= kWriteCompleted && status <= kWriteError) {
        EndLine();
        final_ = status;
        changed_.notify_all();
    }
    std::fflush(stdout);
}

void WriteWatcher::OnWriteError(std::int32_t, std::shared_ptr<discengine::IWriteErrorX> error) {
    std::lock_guard lock(mutex_);
    EndLine();
    if (auto device = error->DeviceError())
        std::fprintf(stderr, "platterly-cli: device error: (0x%06X) %s - %s - %s\n",
                     static_cast<unsigned>(device->ErrorCode()), device->Description().c_str(),
                     device->Detail().c_str(), device->Context().c_str());
    else if (auto file = error->FileError())
        std::fprintf(stderr, "platterly-cli: %s file error: (%d) %s\n  path: %s\n",
                     error->Kind() == discengine::kWriteErrorOutputFile ? "output" : "source",
                     file->ErrorCode(), file->Description().c_str(), file->Path().c_str());
    else
        std::fprintf(stderr, "platterly-cli: write error (%d): %s\n", error->Kind(),
                     error->Description().c_str());
}

void WriteWatcher::OnTrackFileWarning(std::int32_t, std::shared_ptr<discengine::IFileErrorX> error,
                                      std::int32_t track, bool& ignore) {
    std::lock_guard lock(mutex_);
    EndLine();
    ignore = style_.ignoreFileWarnings && !discengine::MediumGone(error.get());
    if (ignore)
        std::fprintf(stderr, "platterly-cli: warning, track %d: %s (%s)\n", track,
                     error->Description().c_str(), error->Path().c_str());
    else
        std::fprintf(stderr, "platterly-cli: cannot read %s: %s\n", error->Path().c_str(),
                     error->Description().c_str());
}

void WriteWatcher::OnFileVerifyStart(std::int32_t, std::int32_t count) {
    std::lock_guard lock(mutex_);
    EndLine();
    std::printf("Verifying %d files...\n", count);
}

void WriteWatcher::OnFileVerify(std::int32_t, std::shared_ptr<discengine::IDataItemX> item, double,
                                double, std::int32_t status, std::int32_t, std::int32_t, bool&) {
    static const char* const kTexts[] = {"cannot read the source",
                                         "cannot read it back",
                                         "differs from the source",
                                         nullptr,
                                         nullptr,
                                         "has another size than the source"};
    if (status < 0 || status > 5 || !kTexts[status])
        return;
    std::lock_guard lock(mutex_);
    ++verifyFailures_;
    std::fprintf(stderr, "platterly-cli: verify: %s %s\n", item->ImagePath().c_str(),
                 kTexts[status]);
}

void WriteWatcher::OnFileVerifyComplete(std::int32_t, std::int32_t count, std::int32_t matched) {
    std::lock_guard lock(mutex_);
    std::printf("Verified: %d of %d files match.\n", matched, count);
}

int WriteWatcher::Wait(const std::function<void()>& cancel, const InterruptWatch* watch) {
    std::optional<InterruptWatch> own;
    if (!watch)
        watch = &own.emplace();
    bool cancelled = false;
    std::unique_lock lock(mutex_);
    while (!changed_.wait_for(lock, std::chrono::milliseconds(100), [&] { return final_ >= 0; })) {
        if (watch->Interrupted() && !cancelled && cancel) {
            cancelled = true;
            EndLine();
            std::fprintf(stderr, "platterly-cli: cancelling...\n");
            lock.unlock();
            cancel();
            lock.lock();
        }
    }
    if (final_ == discengine::kWriteCancelled)
        std::fprintf(stderr, "platterly-cli: cancelled; %s\n", style_.cancelled.c_str());
    return final_;
}

} // namespace jobs
