#include "VirtualDevice.h"
#include "VolumeCommon.h"

#include "DiscModel.h"
#include "StoreFiles.h"
#include "discengine/Disc.h"
#include "discengine/Errors.h"

#include <algorithm>

namespace discengine {

using namespace storefiles;

VirtualDevice::VirtualDevice(std::shared_ptr<EngineCore> core, std::shared_ptr<DriveShared> drive)
    : core_(std::move(core)), drive_(std::move(drive)) {}

DriveConfig VirtualDevice::Config() const {
    std::lock_guard lock(drive_->mutex);
    return drive_->state.config;
}

std::optional<MediumState> VirtualDevice::Medium() const {
    std::lock_guard lock(drive_->mutex);
    if (drive_->state.config.trayOpen)
        return std::nullopt;
    return drive_->state.medium;
}

std::string VirtualDevice::Description() const {
    DriveConfig c = Config();
    return std::string(1, drive_->letter) + ": " + c.vendor + " " + c.product + " " + c.revision;
}

std::string VirtualDevice::DeviceId() const {
    return "virtual:" + drive_->folder.filename().string();
}

bool VirtualDevice::Supports(std::int32_t capability) const {
    auto caps = Config().capabilities;
    return std::find(caps.begin(), caps.end(), capability) != caps.end();
}

std::int32_t VirtualDevice::CurrentSpeed() const {
    if (auto speed = drive_->jobSpeed.load(); speed > 0)
        return speed;
    return Medium() ? Config().maxReadSpeed : 0;
}

std::int32_t VirtualDevice::MaxWriteSpeed() const {
    DriveConfig c = Config();
    return c.writer ? c.maxWriteSpeed : 0;
}

std::vector<std::int32_t> VirtualDevice::SpeedsForMedium() const {
    DriveConfig c = Config();
    auto medium = Medium();
    if (!c.writer || !medium || !IsRecordableMedia(medium->mediaType))
        return {};
    return IsCDMedia(medium->mediaType) ? c.cdWriteSpeeds : c.dvdWriteSpeeds;
}

std::int32_t VirtualDevice::WriteSpeedCount() const {
    return static_cast<std::int32_t>(SpeedsForMedium().size());
}

std::int32_t VirtualDevice::WriteSpeed(std::int32_t index) const {
    auto speeds = SpeedsForMedium();
    if (index < 0 || index >= static_cast<std::int32_t>(speeds.size()))
        throw EngineError("Write speed " + std::to_string(index) + " does not exist");
    return speeds[static_cast<std::size_t>(index)];
}

double VirtualDevice::SpeedMultiple(std::int32_t speedKBs) const {
    auto medium = Medium();
    return static_cast<double>(speedKBs) / OneXSpeed(medium ? medium->mediaType : kMediaNone);
}

bool VirtualDevice::SetTray(bool open) {
    {
        DriveLock lock(drive_->folder, DriveLock::Mode::Exclusive);
        DriveConfig c = ParseDriveIni(ReadSmallFile(drive_->folder / "drive.ini"));
        if (c.trayOpen != open) {
            c.trayOpen = open;
            WriteAtomic(drive_->folder / "drive.ini", FormatDriveIni(c));
        }
    }
    drive_->Reload(false);
    return true;
}

bool VirtualDevice::Refresh(bool full) {
    drive_->Reload(full);
    return true;
}

std::string VirtualDevice::MediumProblem() const {
    std::lock_guard lock(drive_->mutex);
    return drive_->state.problem;
}

std::shared_ptr<IDiscInfoX> VirtualDevice::DiscInfo() {
    return MakeDiscInfo(Medium());
}

std::shared_ptr<IAudioTrackListX> VirtualDevice::AudioTrackList() {
    return MakeAudioTrackList(Medium());
}

std::shared_ptr<ITrackInfoX> VirtualDevice::TrackInfo(std::int32_t n) {
    return MakeTrackInfo(Medium(), n);
}

std::int32_t VirtualDevice::FreeBlocks(bool refresh) {
    if (refresh)
        drive_->Reload(false);
    auto medium = Medium();
    return medium ? FreeBlocksOf(*medium) : 0;
}

std::int32_t VirtualDevice::UsedBlocks(bool refresh) {
    if (refresh)
        drive_->Reload(false);
    auto medium = Medium();
    return medium ? UsedBlocksOf(*medium) : 0;
}

std::int32_t VirtualDevice::TrackFileSystems(std::int32_t n) {
    auto medium = Medium();
    auto track = MakeTrackInfo(medium, n);
    if (!track || !track->IsData() || medium->dataPayload.empty())
        return 0;
    return DetectFileSystems(drive_->folder / medium->dataPayload, track->StartAddress());
}

bool VirtualDevice::Erase(bool quick, std::int32_t speedKBs) {
    auto jobLock = std::make_shared<JobLock>(drive_->folder);
    if (!jobLock->Acquired())
        return false; // another process runs a job on this drive
    auto drive = drive_;
    auto hub = core_->hub;
    return core_->jobs.Start({std::string("drive:") + drive_->letter},
                             [drive, hub, jobLock, quick, speedKBs](const CancelToken& cancel) {
                                 RunErase(drive, hub, quick, speedKBs, cancel);
                             });
}

std::shared_ptr<IDiscVolume> VirtualDevice::Volume() {
    return DriveVolume(*drive_);
}

std::shared_ptr<IDiscVolume> DriveVolume(const DriveShared& drive, bool* watched) {
    // Opening a volume reads the disc's descriptors and folders, and the drive's pages, jobs and
    // images each ask for it (an image of thousands of files on one disc asks per file): one
    // volume serves them all while its disc stays. It notices for itself when the disc leaves
    // (the tray opened, the image removed, replaced or cut short); then a new look is taken.
    std::lock_guard lock(drive.volumeMutex);
    if (drive.volume) {
        try {
            drive.volume->CheckMedium();
            if (watched)
                *watched = true;
            return drive.volume;
        } catch (const MediumGoneError&) {
            drive.volume.reset();
        }
    }
    DriveState state = drive.Snapshot();
    if (state.config.trayOpen)
        state.medium.reset();
    auto volume = volume::OpenWatchedVolume(state, OpenDriveVolume);
    // Only a data disc's volume watches its disc; an audio disc's is made anew each time.
    const bool kept = state.medium && !state.medium->dataPayload.empty();
    if (kept)
        drive.volume = volume;
    if (watched)
        *watched = kept;
    return volume;
}

} // namespace discengine
