#pragma once

#include "EngineShared.h"
#include "discengine/Device.h"

#include <memory>

namespace discengine {

// A drive of the virtual store behind IDeviceX.
class VirtualDevice final : public IDeviceX {
public:
    VirtualDevice(std::shared_ptr<EngineCore> core, std::shared_ptr<DriveShared> drive);

    std::int32_t Index() const override { return drive_->index; }
    char DriveLetter() const override { return drive_->letter; }
    std::string Description() const override;
    std::string VendorName() const override { return Config().vendor; }
    std::string ProductName() const override { return Config().product; }
    std::string Revision() const override { return Config().revision; }
    std::string DeviceId() const override;
    bool IsWriter() const override { return Config().writer; }
    bool Supports(std::int32_t capability) const override;
    std::int32_t BufferSize() const override { return Config().bufferSize; }
    std::int32_t CurrentSpeed() const override;
    std::int32_t MaxReadSpeed() const override { return Config().maxReadSpeed; }
    std::int32_t MaxWriteSpeed() const override;
    std::int32_t WriteSpeedCount() const override;
    std::int32_t WriteSpeed(std::int32_t index) const override;
    double SpeedMultiple(std::int32_t speedKBs) const override;

    bool Eject() override { return SetTray(true); }
    bool CloseTray() override { return SetTray(false); }
    bool Refresh(bool full) override;
    std::string MediumProblem() const override;
    bool IsTrayOpen() const override { return Config().trayOpen; }

    std::shared_ptr<IDiscInfoX> DiscInfo() override;
    std::shared_ptr<IAudioTrackListX> AudioTrackList() override;
    std::shared_ptr<ITrackInfoX> TrackInfo(std::int32_t n) override;
    std::int32_t FreeBlocks(bool refresh) override;
    std::int32_t UsedBlocks(bool refresh) override;
    std::int32_t TrackFileSystems(std::int32_t n) override;
    bool Erase(bool quick, std::int32_t speedKBs) override;
    std::shared_ptr<IDiscVolume> Volume() override;

private:
    DriveConfig Config() const;
    // The medium as the drive sees it: none while the tray is open.
    std::optional<MediumState> Medium() const;
    std::vector<std::int32_t> SpeedsForMedium() const;
    bool SetTray(bool open);

    std::shared_ptr<EngineCore> core_;
    std::shared_ptr<DriveShared> drive_;
};

// The volume of a drive's loaded medium (see Volume.h); throws EngineError.
std::shared_ptr<IDiscVolume> OpenDriveVolume(const DriveState& state);
// The volume of the medium as the drive last saw it (none while the tray is open).
// `watched` (optional) tells whether it is the drive's kept volume, which checks its disc itself.
std::shared_ptr<IDiscVolume> DriveVolume(const DriveShared& drive, bool* watched = nullptr);

} // namespace discengine
