// The audio write job: a BIN of 16-bit little-endian stereo PCM plus a cue sheet, written into
// the drive's store the way a recorder lays the tracks on the disc.
#include "AudioWriteJob.h"

#include "AudioWriteEvents.h"

#include "../DiscModel.h"
#include "../StoreFiles.h"
#include "CueSheet.h"
#include "discengine/Disc.h"
#include "discengine/Errors.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <thread>

namespace fs = std::filesystem;

namespace discengine::audioimage {

using namespace storefiles;

std::int32_t TotalFrames(const std::vector<ImageTrack>& tracks, bool trackAtOnce) {
    if (tracks.empty())
        return 0;
    std::int64_t total = kPregapFrames;
    for (std::size_t i = 0; i < tracks.size(); ++i)
        total += tracks[i].wav.Frames() + ((trackAtOnce && i > 0) ? kPregapFrames : 0);
    return static_cast<std::int32_t>(std::min<std::int64_t>(total, INT32_MAX));
}

namespace {

constexpr std::int64_t kChunkFrames = 1125; // 15 s of audio between progress events
const char* const kCueName = "disc.cue";
const char* const kBinName = "disc.bin";

struct Failure {
    std::shared_ptr<IWriteErrorX> error;
};
struct Cancelled {};

Failure DeviceFailure(std::int32_t code, const std::string& description, const std::string& detail,
                      const std::string& context) {
    return {MakeWriteError(kWriteErrorDevice, description + ": " + detail,
                           MakeDeviceError(code, description, detail, context), nullptr, 0)};
}

Failure SourceFailure(std::int32_t code, const std::string& description, const fs::path& path) {
    return {MakeWriteError(kWriteErrorSourceFile, description, nullptr,
                           MakeFileError(code, description, path.string()), 0)};
}

// Where a track's PCM is read from during the write: its source or its cached copy.
struct TrackSource {
    SourceFile file;
    std::int64_t offset = 0;
    std::int64_t bytes = 0; // PCM available, at most the track's planned length
    bool warned = false;
};

class AudioWriteJob {
public:
    AudioWriteJob(const AudioWritePlan& plan, std::shared_ptr<DriveShared> drive,
                  std::shared_ptr<ListenerHub> hub, const CancelToken& cancel)
        : plan_(plan), drive_(std::move(drive)), hub_(std::move(hub)), cancel_(cancel),
          folder_(drive_->folder),
          context_(std::string("Audio write to drive ") + drive_->letter + ":"),
          events_(hub_, plan.imageId, static_cast<std::int32_t>(plan.tracks.size())) {}

    void Run();

private:
    void Status(std::int32_t status, std::int32_t track = 0, std::int64_t trackDone = 0,
                std::int64_t trackTotal = 0) {
        events_.Status(status, track, trackDone, trackTotal);
    }
    void CheckCancel() const {
        if (cancel_.Cancelled() || events_.ListenerCancelled())
            throw Cancelled{};
    }
    MediumState CheckMedium();
    void OpenSources();
    void Warn(std::size_t track, std::int32_t code, const std::string& description);
    void CacheTracks(const fs::path& cacheFolder);
    void WriteTrack(std::size_t track, std::ofstream* bin);
    void WriteFrames(std::ofstream* bin, const std::vector<char>& data, std::int64_t frames);
    void ReadChunk(std::size_t track, std::int64_t byteOffset, std::vector<char>& buffer);
    std::vector<CueTrack> Layout() const;
    void Commit();
    void MarkDamaged();
    void CleanUpPart() const {
        std::error_code ec;
        fs::remove(PartPath(), ec);
    }
    fs::path PartPath() const { return folder_ / (std::string(kBinName) + ".part"); }

    const AudioWritePlan& plan_;
    std::shared_ptr<DriveShared> drive_;
    std::shared_ptr<ListenerHub> hub_;
    const CancelToken& cancel_;
    fs::path folder_;
    std::string context_;
    DriveConfig config_;
    MediumState original_;
    std::vector<TrackSource> sources_;
    AudioWriteEvents events_;
    std::int64_t discFrames_ = 0; // frames that reached the medium
    std::chrono::steady_clock::time_point start_;
};

// The drive as it is now: a writer with a blank CD that holds the whole compilation.
MediumState AudioWriteJob::CheckMedium() {
    DriveState state = LoadDriveState(folder_, false);
    config_ = state.config;
    if (!config_.writer)
        throw DeviceFailure(kErrNotWriter, "Invalid command", "the drive cannot write", context_);
    if (config_.trayOpen || !state.medium || state.medium->mediaType == kMediaNone)
        throw DeviceFailure(kErrNoMedium, "Medium not present",
                            state.problem.empty() ? "no disc in the drive" : state.problem,
                            context_);
    const MediumState& m = *state.medium;
    if (m.mediaType != kMediaCDR && m.mediaType != kMediaCDRW)
        throw DeviceFailure(kErrNotWriter, "Incompatible medium",
                            "audio tracks need a CD-R or CD-RW, the drive holds " +
                                MediaTypeName(m.mediaType),
                            context_);
    if (m.discStatus != kDiscEmpty)
        throw DeviceFailure(kErrNotWriter, "Medium not blank",
                            m.discStatus == kDiscComplete
                                ? "the disc is complete and cannot be written any more"
                                : "the disc already holds tracks; an audio CD needs a blank disc",
                            context_);
    std::int32_t free = FreeBlocksOf(m);
    if (events_.imageTotal > free)
        throw DeviceFailure(kErrNotWriter, "Not enough space",
                            "the tracks need " + std::to_string(events_.imageTotal) +
                                " blocks, the disc has " + std::to_string(free) + " free",
                            context_);
    if (plan_.testMode && std::find(config_.capabilities.begin(), config_.capabilities.end(),
                                    kCapTestWrite) == config_.capabilities.end())
        throw DeviceFailure(kErrNotWriter, "Invalid command", "the drive cannot write in test mode",
                            context_);
    return m;
}

// Opens every source before the first block is written: a source that vanished or is no
// longer the WAV file it was when inserted stops the write while the disc is still blank.
void AudioWriteJob::OpenSources() {
    for (std::size_t i = 0; i < plan_.tracks.size(); ++i) {
        OpenedTrack opened = OpenInsertedTrack(plan_.tracks[i].wav);
        if (!opened.problem.empty())
            throw SourceFailure(opened.error, opened.problem, plan_.tracks[i].wav.path);
        TrackSource source;
        source.file = std::move(opened.file);
        source.offset = opened.offset;
        source.bytes = opened.bytes;
        sources_.push_back(std::move(source));
        if (opened.changed)
            Warn(i, EAGAIN,
                 "The source file changed after it was inserted; the track keeps its length "
                 "and is padded or cut");
    }
}

// A track file problem the listener may let pass; refused, it ends the write.
void AudioWriteJob::Warn(std::size_t track, std::int32_t code, const std::string& description) {
    sources_[track].warned = true;
    const fs::path& path = plan_.tracks[track].wav.path;
    auto error = MakeFileError(code, description, path.string());
    bool ignore = false;
    hub_->Emit([&](IEngineListener& l) {
        l.OnTrackFileWarning(plan_.imageId, error, static_cast<std::int32_t>(track + 1), ignore);
    });
    if (!ignore)
        throw SourceFailure(code, description, path);
}

// Reads `buffer.size()` bytes of the track at `byteOffset`; what the source lacks is silence.
void AudioWriteJob::ReadChunk(std::size_t track, std::int64_t byteOffset,
                              std::vector<char>& buffer) {
    TrackSource& source = sources_[track];
    const auto size = static_cast<std::int64_t>(buffer.size());
    std::int64_t want = std::clamp<std::int64_t>(source.bytes - byteOffset, 0, size);
    std::int64_t got =
        want > 0 ? ReadAt(source.file.Fd(), buffer.data(), want, source.offset + byteOffset) : 0;
    std::memset(buffer.data() + got, 0, static_cast<std::size_t>(size - got));
    if (got < want) {
        source.bytes = byteOffset + got; // the rest of the track is silence
        if (!source.warned)
            Warn(track, EIO,
                 "The source file ended before its audio did (truncated while "
                 "writing); the rest of the track is silence");
    }
}

void AudioWriteJob::CacheTracks(const fs::path& cacheFolder) {
    std::vector<char> buffer;
    for (std::size_t i = 0; i < sources_.size(); ++i) {
        const auto track = static_cast<std::int32_t>(i + 1);
        const std::int64_t total = sources_[i].bytes;
        fs::path file = cacheFolder / ("track" + std::to_string(track) + ".pcm");
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        Status(kWriteCachingTrack, track, 0, total);
        for (std::int64_t done = 0; done < total;) {
            CheckCancel();
            buffer.resize(
                static_cast<std::size_t>(std::min(total - done, kChunkFrames * kFrameBytes)));
            ReadChunk(i, done, buffer);
            out.write(buffer.data(), static_cast<std::streamsize>(buffer.size()));
            if (!out)
                throw DeviceFailure(kErrStoreFailure, "Cannot cache the tracks",
                                    std::strerror(errno), file.string());
            done += static_cast<std::int64_t>(buffer.size());
            Status(kWriteCachingTrack, track, done, total);
        }
        out.close();
        int error = 0;
        TrackSource cached;
        cached.file = OpenRegularFile(file, error);
        if (!cached.file.IsOpen() || !out)
            throw DeviceFailure(kErrStoreFailure, "Cannot cache the tracks", std::strerror(error),
                                file.string());
        cached.bytes = sources_[i].bytes;
        cached.warned = sources_[i].warned;
        sources_[i] = std::move(cached);
    }
}

// Puts frames on the medium (nothing in test mode): the fault injection, the tray and the
// speed throttle act here as they would on a drive.
void AudioWriteJob::WriteFrames(std::ofstream* bin, const std::vector<char>& data,
                                std::int64_t frames) {
    CheckCancel();
    const std::int64_t fail = config_.failWriteAfterBlocks;
    if (fail >= 0 && discFrames_ + frames > fail)
        throw DeviceFailure(kErrWriteFault, "Write error",
                            "the medium failed at block " + std::to_string(fail), context_);
    if (LoadDriveState(folder_, false).config.trayOpen)
        throw DeviceFailure(kErrNoMedium, "Medium not present", "the tray was opened", context_);
    if (bin) {
        bin->write(data.data(), static_cast<std::streamsize>(frames * kFrameBytes));
        if (!bin->flush())
            throw DeviceFailure(
                kErrStoreFailure, "Write error",
                "the drive store refused a write: " + std::string(std::strerror(errno)), context_);
    }
    discFrames_ += frames;
    events_.imageDone += frames;
    if (plan_.speedKBs > 0) {
        // 1x moves 75 frames a second (176 KB/s).
        auto due =
            start_ + std::chrono::microseconds(events_.imageDone * kCDSpeed1x * 1000000 /
                                               (kFramesPerSecond * std::int64_t{plan_.speedKBs}));
        while (!cancel_.Cancelled() && std::chrono::steady_clock::now() < due)
            std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(
                due - std::chrono::steady_clock::now(), std::chrono::milliseconds(50)));
    }
}

void AudioWriteJob::WriteTrack(std::size_t i, std::ofstream* bin) {
    const auto track = static_cast<std::int32_t>(i + 1);
    const std::int64_t frames = plan_.tracks[i].wav.Frames();
    std::vector<char> buffer;
    if (i == 0) {
        events_.imageDone +=
            kPregapFrames; // before LBA 0: part of the lead-in area, not of the BIN
    } else if (plan_.trackAtOnce) {
        buffer.assign(static_cast<std::size_t>(kPregapFrames * kFrameBytes), 0);
        WriteFrames(bin, buffer, kPregapFrames);
    }
    Status(kWriteWriting, track, 0, frames);
    for (std::int64_t done = 0; done < frames;) {
        std::int64_t chunk = std::min(frames - done, kChunkFrames);
        buffer.resize(static_cast<std::size_t>(chunk * kFrameBytes));
        ReadChunk(i, done * kFrameBytes, buffer);
        WriteFrames(bin, buffer, chunk);
        done += chunk;
        Status(kWriteWriting, track, done, frames);
    }
    Status(kWriteClosingTrack, track, frames, frames);
}

std::vector<CueTrack> AudioWriteJob::Layout() const {
    std::vector<CueTrack> layout;
    std::int32_t next = 0;
    for (std::size_t i = 0; i < plan_.tracks.size(); ++i) {
        CueTrack t;
        t.gapFrames = (plan_.trackAtOnce && i > 0) ? kPregapFrames : 0;
        t.start = next + t.gapFrames;
        t.text.title = plan_.tracks[i].title;
        t.text.performer = plan_.tracks[i].performer;
        next = t.start + plan_.tracks[i].wav.Frames();
        layout.push_back(t);
    }
    return layout;
}

// Publishes the written disc: BIN and cue first, medium.ini last, all under the drive lock,
// and only after libcdio has read the new track table back.
void AudioWriteJob::Commit() {
    std::vector<CueTrack> layout = Layout();
    MediumState written = original_;
    written.discType = kDiscTypeCDDA;
    written.discStatus = plan_.finalize ? kDiscComplete : kDiscIncomplete;
    written.lastSessionStatus = plan_.finalize ? kSessionComplete : kSessionIncomplete;
    written.audioPayload = kCueName;
    written.dataPayload.clear();
    written.tracks.clear();
    for (std::size_t i = 0; i < layout.size(); ++i) {
        std::int32_t end = i + 1 < layout.size() ? layout[i + 1].start
                                                 : layout[i].start + plan_.tracks[i].wav.Frames();
        written.tracks.push_back({1, true, layout[i].start, end - layout[i].start});
    }
    DriveLock lock(folder_, DriveLock::Mode::Exclusive);
    MediumState now = ParseMediumIni(ReadSmallFile(folder_ / "medium.ini"));
    if (now.discStatus != kDiscEmpty || now.mediaType != original_.mediaType)
        throw DeviceFailure(kErrNoMedium, "Medium changed",
                            "the disc was replaced during the write", context_);
    fs::rename(PartPath(), folder_ / kBinName);
    CueText disc;
    disc.title = plan_.discTitle;
    disc.performer = plan_.discPerformer;
    WriteAtomic(folder_ / kCueName, CueSheetText(kBinName, CueDisc{disc, {}, {}, layout}));
    try {
        ValidatePayload(folder_, written, true);
    } catch (const EngineError& error) {
        std::error_code ec;
        fs::remove(folder_ / kBinName, ec);
        fs::remove(folder_ / kCueName, ec);
        throw DeviceFailure(kErrStoreFailure, "Write error", error.what(), context_);
    }
    WriteAtomic(folder_ / "medium.ini", FormatMediumIni(written));
}

// A blank disc that received part of a write holds nothing usable: it reads as a disc of
// unknown status (a CD-RW has to be erased again).
void AudioWriteJob::MarkDamaged() {
    if (plan_.testMode || discFrames_ == 0)
        return;
    try {
        MediumState damaged;
        damaged.mediaType = original_.mediaType;
        damaged.capacity = original_.capacity;
        damaged.erasable = original_.erasable;
        damaged.discType = kDiscTypeCDDA;
        damaged.discStatus = kDiscUnknown;
        damaged.lastSessionStatus = 255;
        DriveLock lock(folder_, DriveLock::Mode::Exclusive);
        if (fs::exists(folder_ / "medium.ini"))
            WriteAtomic(folder_ / "medium.ini", FormatMediumIni(damaged));
    } catch (const std::exception&) {
    }
}

void AudioWriteJob::Run() {
    events_.imageTotal = TotalFrames(plan_.tracks, plan_.trackAtOnce);
    std::int32_t endStatus = kWriteCompleted;
    try {
        Status(kWritePreparing);
        original_ = CheckMedium();
        OpenSources();
        std::unique_ptr<CacheFolder> cache;
        if (plan_.cacheFiles) {
            cache = std::make_unique<CacheFolder>();
            CacheTracks(cache->Path());
        }
        CheckCancel();
        drive_->jobSpeed = plan_.speedKBs > 0 ? plan_.speedKBs : config_.maxWriteSpeed;
        start_ = std::chrono::steady_clock::now();
        Status(kWriteLeadIn);
        std::unique_ptr<std::ofstream> bin;
        if (!plan_.testMode) {
            bin = std::make_unique<std::ofstream>(PartPath(), std::ios::binary | std::ios::trunc);
            if (!*bin)
                throw DeviceFailure(kErrStoreFailure, "Write error",
                                    "the drive store cannot be written: " +
                                        std::string(std::strerror(errno)),
                                    context_);
        }
        for (std::size_t i = 0; i < plan_.tracks.size(); ++i)
            WriteTrack(i, bin.get());
        CheckCancel();
        Status(kWriteLeadOut);
        if (bin) {
            bin->close();
            Commit();
        }
    } catch (const Cancelled&) {
        endStatus = kWriteCancelled;
    } catch (const Failure& failure) {
        hub_->Emit([&](IEngineListener& l) { l.OnWriteError(plan_.imageId, failure.error); });
        endStatus = kWriteError;
    } catch (const std::exception& failure) {
        auto error =
            DeviceFailure(kErrStoreFailure, "Drive store failure", failure.what(), context_);
        hub_->Emit([&](IEngineListener& l) { l.OnWriteError(plan_.imageId, error.error); });
        endStatus = kWriteError;
    }
    if (endStatus != kWriteCompleted) {
        CleanUpPart();
        MarkDamaged();
    }
    drive_->Reload(false);
    drive_->jobSpeed = 0;
    Status(endStatus);
}

} // namespace

void RunAudioWrite(const AudioWritePlan& plan, const std::shared_ptr<DriveShared>& drive,
                   const std::shared_ptr<ListenerHub>& hub, const CancelToken& cancel) {
    AudioWriteJob(plan, drive, hub, cancel).Run();
}

} // namespace discengine::audioimage
