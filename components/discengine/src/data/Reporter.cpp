#include "Jobs.h"

#include "discengine/Disc.h"

#include <cstring>
#include <thread>

namespace discengine::data {

namespace {
std::int32_t Percent(std::uint64_t done, std::uint64_t total) {
    if (total == 0)
        return 0;
    return static_cast<std::int32_t>(std::min<std::uint64_t>(100, done * 100 / total));
}
std::int32_t Clamp32(std::uint64_t value) {
    return static_cast<std::int32_t>(std::min<std::uint64_t>(value, INT32_MAX));
}
} // namespace

bool Reporter::Status(std::int32_t status, std::uint64_t done, std::uint64_t total) {
    bool cancel = false;
    std::int32_t percent = Percent(done, total);
    if (status == kWriteCompleted) {
        percent = 100;
        done = total;
    }
    // A data image is one track: the image and track counters agree.
    job_->hub->Emit([&](IEngineListener& l) {
        l.OnWriteStatus(job_->imageId, percent, Clamp32(done), Clamp32(total), 1, 1, percent,
                        Clamp32(done), Clamp32(total), status, cancel);
    });
    if (cancel)
        job_->cancel = true;
    return cancel;
}

void Reporter::Error(std::shared_ptr<IWriteErrorX> error) {
    job_->hub->Emit([&](IEngineListener& l) { l.OnWriteError(job_->imageId, error); });
}

void Reporter::DeviceError(std::int32_t code, const std::string& description,
                           const std::string& detail, const std::string& context) {
    Error(MakeWriteError(kWriteErrorDevice, description,
                         MakeDeviceError(code, description, detail, context), nullptr, 0));
}

void Reporter::FileError(std::int32_t kind, int errnum, const std::string& description,
                         const std::string& path) {
    Error(MakeWriteError(kind, description, nullptr, MakeFileError(errnum, description, path),
                         errnum));
}

bool Reporter::FileWarning(int errnum, const std::string& description, const std::string& path) {
    bool ignore = false;
    auto error = MakeFileError(errnum, description, path);
    job_->hub->Emit(
        [&](IEngineListener& l) { l.OnTrackFileWarning(job_->imageId, error, 1, ignore); });
    return ignore;
}

void Reporter::FileStatus(std::int32_t count, std::int32_t index, const std::string& name) {
    job_->hub->Emit(
        [&](IEngineListener& l) { l.OnTrackFileStatus(job_->imageId, 1, count, index, name); });
}

StreamObserver::StreamObserver(Reporter& reporter, std::int32_t status, std::int32_t speedKBs)
    : reporter_(reporter), status_(status), speedKBs_(speedKBs) {}

void StreamObserver::progress(std::uint64_t written, std::uint64_t total) {
    reporter_.Status(status_, written, total);
    if (speedKBs_ <= 0)
        return;
    // The chosen speed is a throttle, so progress looks like a real drive.
    auto due = start_ + std::chrono::microseconds(static_cast<std::int64_t>(written) * 2048 *
                                                  1000000 / (std::int64_t{speedKBs_} * 1024));
    while (!reporter_.Job().cancel && std::chrono::steady_clock::now() < due)
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(
            due - std::chrono::steady_clock::now(), std::chrono::milliseconds(50)));
}

void StreamObserver::fileStarted(std::uint64_t index, std::uint64_t count,
                                 const std::string& imagePath, const std::string& sourcePath) {
    const std::string& name = sourcePath.empty() ? imagePath : sourcePath;
    reporter_.FileStatus(static_cast<std::int32_t>(count), static_cast<std::int32_t>(index + 1),
                         name);
}

void StreamObserver::warning(const isofs::SourceWarning& warning) {
    if (refused_)
        return;
    if (reporter_.FileWarning(warning.errnum, warning.message, warning.sourcePath))
        return; // written as zeros; verification will name the file
    refused_ = true;
    refusedWarning_ = warning;
    reporter_.Job().cancel = true;
}

void ReportWriteFailure(Reporter& reporter, const isofs::WriteResult& result,
                        const StreamObserver& observer, const std::string& target) {
    using S = isofs::WriteResult::Status;
    if (observer.SourceRefused()) {
        const auto& w = observer.Refused();
        reporter.FileError(kWriteErrorSourceFile, w.errnum, w.message, w.sourcePath);
        return;
    }
    if (result.status == S::SourceFailed)
        reporter.FileError(kWriteErrorSourceFile, result.errnum, result.message, result.sourcePath);
    else if (result.status == S::OutputFailed)
        reporter.FileError(kWriteErrorOutputFile, result.errnum,
                           result.message.empty() ? std::strerror(result.errnum) : result.message,
                           target);
}

} // namespace discengine::data
