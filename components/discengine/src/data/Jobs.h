#pragma once

#include "DataLayout.h"
#include "EngineShared.h"
#include "discengine/Device.h"
#include "discengine/Errors.h"
#include "isofs/ImageWriter.h"

#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace discengine::data {

// fvStatus of OnFileVerify. 3 is ours for "matched" (it brings no message).
enum VerifyStatus : std::int32_t {
    kVerifySourceUnreadable = 0,
    kVerifyDestUnreadable = 1,
    kVerifyDiffer = 2,
    kVerifyMatched = 3,
    kVerifySizeDiffer = 5,
};

// Everything a job needs from the image, copied when it starts: the UI may change the image
// while the job runs.
struct ImageSettings {
    std::int32_t fileSystems = isofs::fsIso9660 | isofs::fsJoliet;
    bool mode2XA = false, useFileDate = false, cacheFiles = false, testMode = false;
    bool finalize = false, bufferProtect = false, autoVerify = false;
    std::int32_t writeSpeed = 0, writeMode = 2, writeKind = 1, readKind = 1;
};

// What the image and its running job share. Jobs hold this, never the image or a device.
struct JobShared {
    std::int32_t imageId = 1;
    std::shared_ptr<ListenerHub> hub;
    std::atomic<bool> cancel{false};
    std::mutex mutex;
    std::condition_variable finished;
    bool running = false;

    void Finish() {
        std::lock_guard lock(mutex);
        running = false;
        finished.notify_all();
    }
};

// The bytes of one image: a layout plan streamed from its sources, or an existing image file.
class ImageSource {
public:
    virtual ~ImageSource() = default;
    virtual std::uint64_t Blocks() const = 0;
    virtual isofs::WriteResult WriteTo(isofs::OutputSink& sink, isofs::WriteObserver* observer,
                                       const std::atomic<bool>* cancel) = 0;
};
std::unique_ptr<ImageSource> MakePlanSource(isofs::ImagePlan plan,
                                            std::shared_ptr<const isofs::SourceOpener> opener);
std::unique_ptr<ImageSource> MakeFileSource(const std::filesystem::path& image);

// One file to compare after a write: where it is on the written volume and how to read its
// original bytes.
struct VerifyEntry {
    std::shared_ptr<IDataItemX> item;
    std::string discPath; // "\A\B.TXT" in the names the volume layer shows
    std::function<std::unique_ptr<isofs::SourceReader>()> openSource; // throws on failure
};

// Raises the write events of one job.
class Reporter {
public:
    explicit Reporter(std::shared_ptr<JobShared> job) : job_(std::move(job)) {}
    // Returns true when the listener asked to cancel.
    bool Status(std::int32_t status, std::uint64_t done = 0, std::uint64_t total = 0);
    void Error(std::shared_ptr<IWriteErrorX> error);
    void DeviceError(std::int32_t code, const std::string& description, const std::string& detail,
                     const std::string& context);
    void FileError(std::int32_t kind, int errnum, const std::string& description,
                   const std::string& path);
    bool FileWarning(int errnum, const std::string& description, const std::string& path);
    void FileStatus(std::int32_t count, std::int32_t index, const std::string& name);
    JobShared& Job() { return *job_; }

private:
    std::shared_ptr<JobShared> job_;
};

// Asks the listener about sources that fail while the image streams (OnTrackFileWarning):
// ignored ones are written as zeros, any other stops the job as a source-file error.
class StreamObserver : public isofs::WriteObserver {
public:
    StreamObserver(Reporter& reporter, std::int32_t status, std::int32_t speedKBs);
    void progress(std::uint64_t written, std::uint64_t total) override;
    void fileStarted(std::uint64_t index, std::uint64_t count, const std::string& imagePath,
                     const std::string& sourcePath) override;
    void warning(const isofs::SourceWarning& warning) override;
    bool SourceRefused() const { return refused_; }
    const isofs::SourceWarning& Refused() const { return refusedWarning_; }

private:
    Reporter& reporter_;
    std::int32_t status_;
    std::int32_t speedKBs_;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    bool refused_ = false;
    isofs::SourceWarning refusedWarning_;
};

// Reports a failed WriteResult as the matching write error. target: the output's path.
void ReportWriteFailure(Reporter& reporter, const isofs::WriteResult& result,
                        const StreamObserver& observer, const std::string& target);

// OnFileVerifyStart, OnFileVerify per entry, OnFileVerifyComplete; the written volume is read
// through the volume layer (libcdio).
void VerifyFiles(Reporter& reporter, const std::shared_ptr<IDiscVolume>& written,
                 const std::vector<VerifyEntry>& entries);
// The volume of an image file, read as a disc would be.
std::shared_ptr<IDiscVolume> OpenImageVolume(const std::filesystem::path& image);
// Entries comparing every file of an image file with the same file on the written volume.
std::vector<VerifyEntry> ImageFileEntries(const std::filesystem::path& image);

// The job bodies (worker thread).
void RunImageFileJob(std::shared_ptr<JobShared> job, std::unique_ptr<ImageSource> source,
                     std::filesystem::path target, ImageSettings settings,
                     std::vector<VerifyEntry> verify);

// Writes one data track in its own session to a virtual recorder.
void RunDeviceJob(std::shared_ptr<JobShared> job, std::unique_ptr<ImageSource> source,
                  std::shared_ptr<DriveShared> drive, ImageSettings settings,
                  std::vector<VerifyEntry> verify);

} // namespace discengine::data
