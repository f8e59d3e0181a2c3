#include "PhysicalDevice.h"

#include "DiscModel.h"
#include "DriveState.h"
#include "Libburn.h"
#include "VirtualDevice.h"
#include "discengine/Disc.h"
#include "discengine/Errors.h"

#include <algorithm>
#include <cdio/cdio.h>

namespace fs = std::filesystem;

namespace discengine::physical {

bool PhysicalShared::Look() {
    std::string error;
    auto grabbed = GrabbedDrive::Grab(address, error);
    std::lock_guard lock(mutex);
    looked = true;
    if (!grabbed) {
        problem = error;
        medium = MediumAnswers{};
        return false;
    }
    drive = grabbed->ReadDrive();
    medium = grabbed->ReadMedium();
    problem.clear();
    if (medium.status != kBurnEmpty)
        trayOpen = false; // a disc was found, so the tray has been closed since our eject
    return true;
}

PhysicalDevice::PhysicalDevice(std::shared_ptr<EngineCore> core,
                               std::shared_ptr<PhysicalShared> drive)
    : core_(std::move(core)), drive_(std::move(drive)) {}

DriveAnswers PhysicalDevice::Drive() const {
    {
        std::lock_guard lock(drive_->mutex);
        if (drive_->looked)
            return drive_->drive;
    }
    drive_->Look();
    std::lock_guard lock(drive_->mutex);
    return drive_->drive;
}

std::optional<MediumState> PhysicalDevice::Medium() const {
    Drive(); // looks once
    std::lock_guard lock(drive_->mutex);
    if (drive_->trayOpen)
        return std::nullopt;
    return MediumOf(drive_->medium);
}

std::string PhysicalDevice::VendorName() const {
    auto d = Drive();
    return d.vendor.empty() ? drive_->vendor : d.vendor;
}
std::string PhysicalDevice::ProductName() const {
    auto d = Drive();
    return d.product.empty() ? drive_->product : d.product;
}
std::string PhysicalDevice::Revision() const {
    auto d = Drive();
    return d.revision.empty() ? drive_->revision : d.revision;
}

std::string PhysicalDevice::Description() const {
    std::string text = std::string(1, drive_->letter) + ": " + VendorName() + " " + ProductName();
    if (auto revision = Revision(); !revision.empty())
        text += " " + revision;
    return text + " (" + drive_->devicePath + ")";
}

bool PhysicalDevice::IsWriter() const {
    return IsWriterOf(CapabilitiesOf(Drive()));
}

bool PhysicalDevice::Supports(std::int32_t capability) const {
    auto codes = CapabilitiesOf(Drive());
    return std::find(codes.begin(), codes.end(), capability) != codes.end();
}

std::int32_t PhysicalDevice::BufferSize() const {
    return Drive().bufferKB;
}

std::int32_t PhysicalDevice::CurrentSpeed() const {
    if (auto speed = drive_->jobSpeed.load(); speed > 0)
        return speed;
    return Medium() ? MaxReadSpeed() : 0;
}

std::int32_t PhysicalDevice::MaxReadSpeed() const {
    return MaxReadSpeedOf(Drive());
}

std::int32_t PhysicalDevice::MaxWriteSpeed() const {
    return MaxWriteSpeedOf(Drive());
}

std::int32_t PhysicalDevice::WriteSpeedCount() const {
    if (!Medium())
        return 0;
    std::lock_guard lock(drive_->mutex);
    return static_cast<std::int32_t>(WriteSpeedsOf(drive_->drive, drive_->medium.profile).size());
}

std::int32_t PhysicalDevice::WriteSpeed(std::int32_t index) const {
    std::vector<std::int32_t> speeds;
    if (Medium()) {
        std::lock_guard lock(drive_->mutex);
        speeds = WriteSpeedsOf(drive_->drive, drive_->medium.profile);
    }
    if (index < 0 || index >= static_cast<std::int32_t>(speeds.size()))
        throw EngineError("Write speed " + std::to_string(index) + " does not exist");
    return speeds[static_cast<std::size_t>(index)];
}

double PhysicalDevice::SpeedMultiple(std::int32_t speedKBs) const {
    auto medium = Medium();
    return static_cast<double>(speedKBs) / OneXSpeed(medium ? medium->mediaType : kMediaNone);
}

bool PhysicalDevice::Eject() {
    if (drive_->busy)
        return false; // never open the tray under a running burn or erase
    QuietLibcdio();
    if (cdio_eject_media_drive(drive_->devicePath.c_str()) != DRIVER_OP_SUCCESS)
        return false;
    std::lock_guard lock(drive_->mutex);
    drive_->trayOpen = true;
    return true;
}

bool PhysicalDevice::CloseTray() {
    if (drive_->busy)
        return false;
    QuietLibcdio();
    driver_id_t driver = DRIVER_DEVICE;
    if (cdio_close_tray(drive_->devicePath.c_str(), &driver) != DRIVER_OP_SUCCESS)
        return false;
    {
        std::lock_guard lock(drive_->mutex);
        drive_->trayOpen = false;
    }
    drive_->Look();
    return true;
}

bool PhysicalDevice::Refresh(bool /*full*/) {
    if (drive_->busy)
        return true; // a job of ours holds the drive: the last answers stand
    drive_->Look();
    return true;
}

std::string PhysicalDevice::MediumProblem() const {
    Drive();
    std::lock_guard lock(drive_->mutex);
    return drive_->problem;
}

bool PhysicalDevice::IsTrayOpen() const {
    std::lock_guard lock(drive_->mutex);
    return drive_->trayOpen;
}

std::shared_ptr<IDiscInfoX> PhysicalDevice::DiscInfo() {
    return MakeDiscInfo(Medium());
}

std::shared_ptr<IAudioTrackListX> PhysicalDevice::AudioTrackList() {
    return MakeAudioTrackList(Medium());
}

std::shared_ptr<ITrackInfoX> PhysicalDevice::TrackInfo(std::int32_t n) {
    return MakeTrackInfo(Medium(), n);
}

std::int32_t PhysicalDevice::FreeBlocks(bool refresh) {
    if (refresh)
        Refresh(false);
    auto medium = Medium();
    return medium ? FreeBlocksOf(*medium) : 0;
}

std::int32_t PhysicalDevice::UsedBlocks(bool refresh) {
    if (refresh)
        Refresh(false);
    auto medium = Medium();
    return medium ? UsedBlocksOf(*medium) : 0;
}

std::int32_t PhysicalDevice::TrackFileSystems(std::int32_t n) {
    auto track = MakeTrackInfo(Medium(), n);
    if (!track || !track->IsData())
        return 0;
    return DetectFileSystems(drive_->devicePath, track->StartAddress());
}

bool PhysicalDevice::Erase(bool quick, std::int32_t speedKBs) {
    auto drive = drive_;
    auto hub = core_->hub;
    return core_->jobs.Start({std::string("drive:") + drive_->letter},
                             [drive, hub, quick, speedKBs](const CancelToken& cancel) {
                                 RunPhysicalErase(drive, hub, quick, speedKBs, cancel);
                             });
}

std::shared_ptr<IDiscVolume> PhysicalDevice::Volume() {
    // The volume layer reads the disc's sectors from the device node as it reads an image.
    DriveState state;
    fs::path device(drive_->devicePath);
    state.folder = device.parent_path();
    state.medium = Medium();
    if (state.medium)
        state.medium->dataPayload = device.filename().string();
    else
        state.problem = MediumProblem();
    return OpenDriveVolume(state);
}

} // namespace discengine::physical
