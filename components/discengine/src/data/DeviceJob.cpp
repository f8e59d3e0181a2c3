// Writing a data image to a virtual recorder: one data track in its own session, stored as
// disc.iso + medium.ini. The track is written to a temporary file in the drive folder and placed
// on the medium under the drive lock only when it is complete, so a failed or cancelled write
// leaves the disc blank.
#include "DriveState.h"
#include "Jobs.h"
#include "StoreFiles.h"
#include "VirtualDevice.h"
#include "discengine/Disc.h"
#include "discengine/Volume.h"
#include "isofs/Errors.h"
#include "isofs/Sink.h"
#include "isofs/TargetFile.h"

#include <algorithm>
#include <cstdlib>
#include <optional>

namespace fs = std::filesystem;

namespace discengine::data {

using namespace storefiles;

namespace {

// The tray is looked at after every this many bytes reach the medium.
constexpr std::uint64_t kTrayCheckBytes = 16u << 20;

struct DeviceFailure {
    std::int32_t code;
    std::string description, detail;
};

// The recorder and its medium as they are now: anyone may have opened the tray or changed the
// disc since the drive was last refreshed.
MediumState CheckMedium(const DriveState& state, std::uint64_t blocks, bool testMode) {
    if (!state.config.writer)
        throw DeviceFailure{kErrNotWriter, "Invalid command", "the drive cannot write"};
    if (testMode && std::find(state.config.capabilities.begin(), state.config.capabilities.end(),
                              kCapTestWrite) == state.config.capabilities.end())
        throw DeviceFailure{kErrNotWriter, "Invalid command",
                            "the drive cannot write in test mode"};
    if (state.config.trayOpen)
        throw DeviceFailure{kErrNoMedium, "Medium not present", "the tray is open"};
    if (!state.medium || state.medium->mediaType == kMediaNone)
        throw DeviceFailure{kErrNoMedium, "Medium not present",
                            state.problem.empty() ? "no disc in the drive" : state.problem};
    const MediumState& m = *state.medium;
    if (!IsRecordableMedia(m.mediaType))
        throw DeviceFailure{kErrIncompatibleMedium, "Incompatible medium",
                            MediaTypeName(m.mediaType) + " cannot be written"};
    // Sessions are not appended: the image's file system starts at block 0.
    if (m.discStatus != kDiscEmpty || !m.tracks.empty())
        throw DeviceFailure{kErrIncompatibleMedium, "Medium not blank",
                            "the disc already holds data; insert or erase a blank disc"};
    if (blocks > static_cast<std::uint64_t>(std::max(m.capacity, 0)))
        throw DeviceFailure{kErrNoSpace, "Not enough space on the medium",
                            "the image needs " + std::to_string(blocks) + " blocks, the disc has " +
                                std::to_string(m.capacity)};
    return m;
}

// What reaches the medium: counts the track's bytes, fails where drive.ini's fault injection
// says and notices an opened tray, as a drive would.
class MediumSink final : public isofs::OutputSink {
public:
    MediumSink(isofs::OutputSink* inner, std::int64_t failAfterBlocks, fs::path folder)
        : inner_(inner), failBytes_(failAfterBlocks < 0 ? -1 : failAfterBlocks * 2048),
          folder_(std::move(folder)) {}

    void write(const void* data, std::size_t bytes) override {
        Before(bytes);
        if (inner_)
            inner_->write(data, bytes);
        After(bytes);
    }
    std::int64_t copyFromFd(int fd, std::uint64_t offset, std::size_t bytes) override {
        if (!inner_ || WouldFail(bytes))
            return 0; // through write(), which fails at the right block
        Before(0);
        std::int64_t n = inner_->copyFromFd(fd, offset, bytes);
        if (n > 0)
            After(static_cast<std::uint64_t>(n));
        return n;
    }
    void flush() override {
        if (inner_)
            inner_->flush();
    }

private:
    bool WouldFail(std::size_t bytes) const {
        return failBytes_ >= 0 && written_ + bytes > static_cast<std::uint64_t>(failBytes_);
    }
    void Before(std::size_t bytes) {
        if (WouldFail(bytes))
            throw DeviceFailure{kErrWriteFault, "Write error",
                                "the medium failed at block " + std::to_string(failBytes_ / 2048)};
    }
    void After(std::uint64_t bytes) {
        written_ += bytes;
        if (written_ - lastTrayCheck_ < kTrayCheckBytes)
            return;
        lastTrayCheck_ = written_;
        if (LoadDriveState(folder_, false).config.trayOpen)
            throw DeviceFailure{kErrNoMedium, "Medium not present", "the tray was opened"};
    }

    isofs::OutputSink* inner_; // null in test mode: nothing reaches the medium
    std::int64_t failBytes_;
    fs::path folder_;
    std::uint64_t written_ = 0, lastTrayCheck_ = 0;
};

// Places the written track on the medium: a complete disc, or an appendable one whose session
// is closed. The medium must still be the blank disc the write started on.
void PlaceTrack(const fs::path& folder, isofs::TargetFile& track, const MediumState& original,
                std::uint64_t blocks, const ImageSettings& settings) {
    DriveLock lock(folder, DriveLock::Mode::Exclusive);
    DriveState now = LoadDriveStateLocked(folder, false);
    if (!now.medium || now.config.trayOpen || now.medium->mediaType != original.mediaType ||
        now.medium->discStatus != kDiscEmpty || !now.medium->tracks.empty())
        throw DeviceFailure{kErrMediumChanged, "Medium changed",
                            "the disc was removed or replaced during the write"};
    MediumState m = *now.medium;
    m.dataPayload = "disc.iso";
    m.audioPayload.clear();
    m.discType = settings.mode2XA ? kDiscTypeCDROMXA : kDiscTypeCDDA;
    m.tracks = {TrackState{1, false, 0, static_cast<std::int32_t>(blocks)}};
    m.discStatus = settings.finalize ? kDiscComplete : kDiscIncomplete;
    m.lastSessionStatus = kSessionComplete;
    try {
        track.commit(); // renames the track to disc.iso
    } catch (const isofs::OutputError& e) {
        throw DeviceFailure{kErrStoreFailure, "Drive store failure",
                            std::string("cannot place the track: ") + e.what()};
    }
    WriteAtomic(folder / "medium.ini", FormatMediumIni(m));
}

fs::path CachePath() {
    const char* tmp = std::getenv("TMPDIR");
    return fs::path(tmp && *tmp ? tmp : "/tmp") / "platterly-cache.iso";
}

bool Failed(const isofs::WriteResult& result, const StreamObserver& observer) {
    return observer.SourceRefused() || result.status == isofs::WriteResult::Status::SourceFailed ||
           result.status == isofs::WriteResult::Status::OutputFailed;
}

// The written disc, read back through the volume layer, compared with the sources.
void VerifyDisc(Reporter& reporter, DriveShared& drive, const std::vector<VerifyEntry>& verify) {
    std::shared_ptr<IDiscVolume> written;
    try {
        written = DriveVolume(drive);
    } catch (const std::exception&) {
    }
    VerifyFiles(reporter, written, verify);
}

} // namespace

void RunDeviceJob(std::shared_ptr<JobShared> job, std::unique_ptr<ImageSource> source,
                  std::shared_ptr<DriveShared> drive, ImageSettings settings,
                  std::vector<VerifyEntry> verify) {
    Reporter reporter(job);
    const fs::path folder = drive->folder;
    const std::string context = std::string("Data write on drive ") + drive->letter + ":";
    const std::uint64_t blocks = source->Blocks();
    std::optional<isofs::TargetFile> cache, track;
    std::uint64_t done = 0;
    auto finish = [&](std::int32_t status) {
        track.reset(); // an unplaced track is removed
        cache.reset();
        drive->Reload(false);
        drive->jobSpeed = 0;
        reporter.Status(status, status == kWriteCompleted ? blocks : done, blocks);
        job->Finish();
    };
    try {
        reporter.Status(kWritePreparing, 0, blocks);
        DriveState state = LoadDriveState(folder, false);
        const MediumState original = CheckMedium(state, blocks, settings.testMode);

        if (settings.cacheFiles && !job->cancel) {
            // The image is first built in a local file, so slow or failing sources show up
            // before the laser starts; the track is then written from the cache.
            cache.emplace(CachePath());
            StreamObserver caching(reporter, kWriteCachingImage, 0);
            isofs::WriteResult result;
            {
                isofs::FdSink sink(cache->fd());
                result = source->WriteTo(sink, &caching, &job->cancel);
            }
            if (Failed(result, caching)) {
                ReportWriteFailure(reporter, result, caching, cache->temporaryPath().string());
                return finish(kWriteError);
            }
            if (result.status == isofs::WriteResult::Status::Cancelled)
                return finish(kWriteCancelled);
            source = MakeFileSource(cache->temporaryPath());
        }
        if (job->cancel)
            return finish(kWriteCancelled);

        drive->jobSpeed =
            settings.writeSpeed > 0 ? settings.writeSpeed : state.config.maxWriteSpeed;
        reporter.Status(kWriteLeadIn, 0, blocks);
        std::optional<isofs::FdSink> medium;
        if (!settings.testMode) {
            track.emplace(folder / "disc.iso");
            medium.emplace(track->fd());
        }
        MediumSink sink(medium ? &*medium : nullptr, state.config.failWriteAfterBlocks, folder);
        StreamObserver writing(reporter, kWriteWriting, settings.writeSpeed);
        isofs::WriteResult result = source->WriteTo(sink, &writing, &job->cancel);
        done = result.blocksWritten;
        medium.reset();
        if (result.status == isofs::WriteResult::Status::OutputFailed && !writing.SourceRefused())
            throw DeviceFailure{kErrStoreFailure, "Drive store failure", result.message};
        if (Failed(result, writing)) {
            ReportWriteFailure(reporter, result, writing, std::string());
            return finish(kWriteError);
        }
        if (result.status == isofs::WriteResult::Status::Cancelled)
            return finish(kWriteCancelled);
        done = blocks;

        reporter.Status(kWriteClosingTrack, blocks, blocks);
        reporter.Status(kWriteLeadOut, blocks, blocks);
        if (!settings.testMode) {
            PlaceTrack(folder, *track, original, blocks, settings);
            track.reset();
            drive->Reload(false);
        }
        drive->jobSpeed = 0;
        reporter.Status(kWriteUpdatingVolume, blocks, blocks);
        if (!settings.testMode && settings.autoVerify)
            VerifyDisc(reporter, *drive, verify);
        return finish(kWriteCompleted);
    } catch (const DeviceFailure& failure) {
        reporter.DeviceError(failure.code, failure.description, failure.detail,
                             context + " at block " + std::to_string(done));
    } catch (const std::exception& e) {
        reporter.DeviceError(kErrStoreFailure, "Drive store failure", e.what(), context);
    }
    finish(kWriteError);
}

} // namespace discengine::data
