// Writing a data image to a virtual recorder: one data track in its own session, stored as
// disc.iso + medium.ini. The track is written to a staging file and placed on the medium under
// the drive lock only when it is complete, so a failed or cancelled write leaves the disc blank.
#include "DriveState.h"
#include "Jobs.h"
#include "StoreFiles.h"
#include "discengine/Disc.h"
#include "discengine/Volume.h"
#include "isofs/Errors.h"
#include "isofs/Sink.h"
#include "isofs/TargetFile.h"

#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace discengine::data {

using namespace storefiles;

namespace {

// SCSI sense codes of our own for the two medium refusals (key << 16 | ASC << 8 | ASCQ).
constexpr std::int32_t kErrIncompatibleMedium = 0x053000;
constexpr std::int32_t kErrNoSpace = 0x052100;

struct DeviceFailure {
    std::int32_t code;
    std::string description, detail;
};

// The medium as it is now: the tray may have been opened or the disc changed by anyone.
MediumState CheckMedium(const fs::path& folder, std::uint64_t blocks) {
    DriveState state = LoadDriveState(folder, false);
    if (!state.config.writer)
        throw DeviceFailure{kErrNotWriter, "Invalid command", "the drive cannot write"};
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

// Counts the track's blocks and fails the medium where drive.ini's fault injection says.
class TrackSink final : public isofs::OutputSink {
public:
    TrackSink(isofs::OutputSink* inner, std::int64_t failAfterBlocks)
        : inner_(inner), failBytes_(failAfterBlocks < 0 ? -1 : failAfterBlocks * 2048) {}
    void write(const void* data, std::size_t bytes) override {
        Check(bytes);
        if (inner_)
            inner_->write(data, bytes);
        written_ += bytes;
    }
    std::int64_t copyFromFd(int fd, std::uint64_t offset, std::size_t bytes) override {
        if (!inner_ ||
            (failBytes_ >= 0 && written_ + bytes > static_cast<std::uint64_t>(failBytes_)))
            return 0; // through write(), which fails at the right block
        std::int64_t n = inner_->copyFromFd(fd, offset, bytes);
        if (n > 0)
            written_ += static_cast<std::uint64_t>(n);
        return n;
    }
    void flush() override {
        if (inner_)
            inner_->flush();
    }

private:
    void Check(std::size_t bytes) {
        if (failBytes_ >= 0 && written_ + bytes > static_cast<std::uint64_t>(failBytes_))
            throw DeviceFailure{kErrWriteFault, "Write error",
                                "the medium failed at block " + std::to_string(failBytes_ / 2048)};
    }
    isofs::OutputSink* inner_; // null in test mode: nothing reaches the medium
    std::int64_t failBytes_;
    std::uint64_t written_ = 0;
};

// Places the written track on the medium: complete disc or appendable after this session.
void PlaceTrack(const fs::path& folder, const fs::path& staged, std::uint64_t blocks,
                const ImageSettings& settings) {
    DriveLock lock(folder, DriveLock::Mode::Exclusive);
    MediumState m = CheckMedium(folder, blocks);
    m.dataPayload = "disc.iso";
    m.discType = settings.mode2XA ? kDiscTypeCDROMXA : kDiscTypeCDDA;
    m.tracks = {TrackState{1, false, 0, static_cast<std::int32_t>(blocks)}};
    m.discStatus = settings.finalize ? kDiscComplete : kDiscIncomplete;
    m.lastSessionStatus = kSessionComplete;
    std::error_code ec;
    fs::rename(staged, folder / "disc.iso", ec);
    if (ec)
        throw DeviceFailure{kErrStoreFailure, "Drive store failure",
                            "cannot place the track: " + ec.message()};
    WriteAtomic(folder / "medium.ini", FormatMediumIni(m));
}

// With "cache files" the image is first built in a local temporary file, so slow or failing
// sources show up before the laser starts; the track is then written from the cache.
std::unique_ptr<ImageSource> CacheImage(Reporter& reporter, ImageSource& source,
                                        isofs::TargetFile& cache,
                                        const std::vector<VerifyEntry>& verify,
                                        isofs::WriteResult& result, StreamObserver& observer) {
    {
        isofs::FdSink sink(cache.fd());
        result = source.WriteTo(sink, &observer, &reporter.Job().cancel);
    }
    (void)verify;
    if (result.status != isofs::WriteResult::Status::Completed || observer.SourceRefused())
        return nullptr;
    return MakeFileSource(cache.temporaryPath());
}

fs::path CachePath() {
    const char* tmp = std::getenv("TMPDIR");
    return fs::path(tmp && *tmp ? tmp : "/tmp") / "platterly-cache.iso";
}

} // namespace

void RunDeviceJob(std::shared_ptr<JobShared> job, std::unique_ptr<ImageSource> source,
                  DriveTarget drive, ImageSettings settings, std::vector<VerifyEntry> verify) {
    Reporter reporter(job);
    const std::string context = std::string("Data write on drive ") + drive.letter + ":";
    const std::uint64_t blocks = source->Blocks();
    fs::path staged = drive.folder / "disc.iso.writing";
    std::error_code ec;
    auto finish = [&](std::int32_t status) {
        fs::remove(staged, ec);
        if (auto device = drive.device.lock()) {
            try {
                device->Refresh(false);
            } catch (const std::exception&) {
            }
        }
        reporter.Status(status, status == kWriteCompleted ? blocks : 0, blocks);
        job->Finish();
    };
    std::uint64_t done = 0;
    try {
        reporter.Status(kWritePreparing, 0, blocks);
        DriveState state = LoadDriveState(drive.folder, false);
        CheckMedium(drive.folder, blocks);

        std::optional<isofs::TargetFile> cache;
        isofs::WriteResult result;
        if (settings.cacheFiles && !job->cancel) {
            cache.emplace(CachePath());
            StreamObserver caching(reporter, kWriteCachingImage, 0, &verify);
            auto cached = CacheImage(reporter, *source, *cache, verify, result, caching);
            if (!cached) {
                if (result.status == isofs::WriteResult::Status::Cancelled &&
                    !caching.SourceRefused())
                    return finish(kWriteCancelled);
                ReportWriteFailure(reporter, result, caching, cache->temporaryPath().string());
                return finish(kWriteError);
            }
            source = std::move(cached);
        }
        if (job->cancel)
            return finish(kWriteCancelled);

        reporter.Status(kWriteLeadIn, 0, blocks);
        std::optional<isofs::TargetFile> track;
        std::optional<isofs::FdSink> medium;
        if (!settings.testMode) {
            fs::remove(staged, ec);
            track.emplace(staged);
            medium.emplace(track->fd());
        }
        TrackSink sink(medium ? &*medium : nullptr, state.config.failWriteAfterBlocks);
        StreamObserver writing(reporter, kWriteWriting, settings.writeSpeed, &verify);
        result = source->WriteTo(sink, &writing, &job->cancel);
        done = result.blocksWritten;
        medium.reset();
        if (writing.SourceRefused() || result.status == isofs::WriteResult::Status::SourceFailed ||
            result.status == isofs::WriteResult::Status::OutputFailed) {
            if (result.status == isofs::WriteResult::Status::OutputFailed)
                throw DeviceFailure{kErrStoreFailure, "Drive store failure", result.message};
            ReportWriteFailure(reporter, result, writing, std::string());
            return finish(kWriteError);
        }
        if (result.status == isofs::WriteResult::Status::Cancelled)
            return finish(kWriteCancelled);

        reporter.Status(kWriteClosingTrack, blocks, blocks);
        reporter.Status(kWriteLeadOut, blocks, blocks);
        reporter.Status(kWriteUpdatingVolume, blocks, blocks);
        if (!settings.testMode) {
            track->commit(); // renames the staging file over itself, keeping it
            PlaceTrack(drive.folder, staged, blocks, settings);
            if (auto device = drive.device.lock())
                device->Refresh(false);
            if (settings.autoVerify) {
                std::shared_ptr<IDiscVolume> written;
                try {
                    if (auto device = drive.device.lock())
                        written = device->Volume();
                } catch (const std::exception&) {
                }
                VerifyFiles(reporter, written, verify);
            }
        }
        return finish(kWriteCompleted);
    } catch (const DeviceFailure& failure) {
        reporter.DeviceError(failure.code, failure.description, failure.detail,
                             context + " at block " + std::to_string(done));
    } catch (const isofs::OutputError& e) {
        reporter.DeviceError(kErrStoreFailure, "Drive store failure", e.what(), context);
    } catch (const std::exception& e) {
        reporter.DeviceError(kErrStoreFailure, "Drive store failure", e.what(), context);
    }
    finish(kWriteError);
}

} // namespace discengine::data
