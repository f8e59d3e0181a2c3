#pragma once

#include "Answers.h"
#include "EngineShared.h"
#include "discengine/Device.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace discengine::physical {

// What a physical drive's IDeviceX and its jobs share: identity and the answers of the last
// look at the drive.
struct PhysicalShared {
    std::string address;    // libburn's address
    std::string devicePath; // the node (or file) libcdio and the volume layer read
    std::int32_t index = 0;
    char letter = 'D';
    std::string vendor, product, revision; // from the scan, until the drive answers itself

    mutable std::mutex mutex;
    bool looked = false; // guarded by mutex, as are the answers below
    DriveAnswers drive;
    MediumAnswers medium;
    std::string problem; // why the drive could not be asked; empty when it answered
    bool trayOpen = false;
    std::atomic<std::int32_t> jobSpeed{0};
    // A job of ours holds the drive: looking would try to grab it a second time.
    std::atomic<bool> busy{false};

    // Grabs the drive, reads the drive and its medium, releases it. False when the drive
    // could not be opened (problem says why); a running job keeps the last answers.
    bool Look();
};

// Marks the drive busy for one job, from its first look at the drive to its end.
class BusyDrive {
public:
    explicit BusyDrive(PhysicalShared& drive) : drive_(drive) { drive_.busy = true; }
    ~BusyDrive() { Release(); }
    BusyDrive(const BusyDrive&) = delete;
    BusyDrive& operator=(const BusyDrive&) = delete;
    void Release() { drive_.busy = false; }

private:
    PhysicalShared& drive_;
};

// A drive found by libburn behind IDeviceX; reads through libcdio, writes through libburn.
class PhysicalDevice final : public IDeviceX {
public:
    PhysicalDevice(std::shared_ptr<EngineCore> core, std::shared_ptr<PhysicalShared> drive);

    std::int32_t Index() const override { return drive_->index; }
    char DriveLetter() const override { return drive_->letter; }
    std::string Description() const override;
    std::string VendorName() const override;
    std::string ProductName() const override;
    std::string Revision() const override;
    std::string DeviceId() const override { return drive_->address; }
    bool IsWriter() const override;
    bool Supports(std::int32_t capability) const override;
    std::int32_t BufferSize() const override;
    std::int32_t CurrentSpeed() const override;
    std::int32_t MaxReadSpeed() const override;
    std::int32_t MaxWriteSpeed() const override;
    std::int32_t WriteSpeedCount() const override;
    std::int32_t WriteSpeed(std::int32_t index) const override;
    double SpeedMultiple(std::int32_t speedKBs) const override;

    bool Eject() override;
    bool CloseTray() override;
    bool Refresh(bool full) override;
    std::string MediumProblem() const override;
    bool IsTrayOpen() const override;

    std::shared_ptr<IDiscInfoX> DiscInfo() override;
    std::shared_ptr<IAudioTrackListX> AudioTrackList() override;
    std::shared_ptr<ITrackInfoX> TrackInfo(std::int32_t n) override;
    std::int32_t FreeBlocks(bool refresh) override;
    std::int32_t UsedBlocks(bool refresh) override;
    std::int32_t TrackFileSystems(std::int32_t n) override;
    bool Erase(bool quick, std::int32_t speedKBs) override;
    std::shared_ptr<IDiscVolume> Volume() override;

    const std::shared_ptr<PhysicalShared>& Shared() const { return drive_; }

private:
    // The answers, looking at the drive first when nobody has yet.
    DriveAnswers Drive() const;
    std::optional<MediumState> Medium() const;

    std::shared_ptr<EngineCore> core_;
    std::shared_ptr<PhysicalShared> drive_;
};

// How a rewritable medium is erased: blanked (CD-RW, DVD-RW in either mode: blanking takes a
// restricted-overwrite DVD-RW back to sequential), formatted (media that are only ever
// overwritten in place: DVD+RW, DVD-RAM, BD-RE, HD DVD-RAM), or not at all.
enum class EraseKind { Blank, Format, Refuse };
EraseKind EraseKindOf(int profile, bool erasable);

// The erase job body (worker thread).
void RunPhysicalErase(const std::shared_ptr<PhysicalShared>& drive,
                      const std::shared_ptr<ListenerHub>& hub, bool quick, std::int32_t speedKBs,
                      const CancelToken& cancel);

} // namespace discengine::physical
