#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace discengine {

class IDiscVolume;

// What the drive says about the loaded medium, taken when DiscInfo was asked.
class IDiscInfoX {
public:
    virtual ~IDiscInfoX() = default;
    virtual std::int32_t MediaType() const = 0;         // MediaType codes, 0 = no medium
    virtual std::int32_t DiscType() const = 0;          // DiscType codes
    virtual std::int32_t DiscStatus() const = 0;        // DiscStatus codes
    virtual std::int32_t LastSessionStatus() const = 0; // SessionStatus codes
    virtual bool IsErasable() const = 0;
    virtual bool IsOpen() const = 0; // the medium can still be written (blank or appendable)
    virtual std::int32_t SessionCount() const = 0;
    // Tracks on the medium; on a blank or appendable medium this includes the open track.
    virtual std::int32_t TrackCount() const = 0;
};

class ITrackInfoX {
public:
    virtual ~ITrackInfoX() = default;
    virtual std::int32_t SessionNumber() const = 0;
    virtual bool IsAudio() const = 0;
    virtual bool IsData() const = 0;
    virtual bool IsBlank() const = 0; // the open (writable) track of a blank or appendable disc
    virtual std::int32_t StartAddress() const = 0; // LBA
    virtual std::int32_t BlockCount() const = 0;
};

// The audio tracks of the loaded medium, numbered from 1.
class IAudioTrackListX {
public:
    virtual ~IAudioTrackListX() = default;
    virtual std::int32_t Count() const = 0;
    // Length of audio track n (1-based) in frames (75 a second); throws EngineError when out of
    // range.
    virtual std::int32_t TrackLength(std::int32_t n) const = 0;
};

// One drive of the engine. Every call may throw EngineError (for instance when the drive's
// store became unreadable).
class IDeviceX {
public:
    virtual ~IDeviceX() = default;

    virtual std::int32_t Index() const = 0; // engine order, as in the erase events
    virtual char DriveLetter() const = 0;
    virtual std::string Description() const = 0; // begins with "X: "
    virtual std::string VendorName() const = 0;
    virtual std::string ProductName() const = 0;
    virtual std::string Revision() const = 0;
    virtual std::string DeviceId() const = 0;
    virtual bool IsWriter() const = 0;
    virtual bool Supports(std::int32_t capability) const = 0;
    virtual std::int32_t BufferSize() const = 0;    // KB
    virtual std::int32_t CurrentSpeed() const = 0;  // KB/s
    virtual std::int32_t MaxReadSpeed() const = 0;  // KB/s
    virtual std::int32_t MaxWriteSpeed() const = 0; // KB/s, 0 for a reader
    // Write speeds for the loaded medium, fastest first (none without a writable medium).
    virtual std::int32_t WriteSpeedCount() const = 0;
    virtual std::int32_t WriteSpeed(std::int32_t index) const = 0;
    // speedKBs as a multiple of 1x of the loaded medium's family (CD when none).
    virtual double SpeedMultiple(std::int32_t speedKBs) const = 0;

    virtual bool Eject() = 0;     // opens the tray; false when the drive refused
    virtual bool CloseTray() = 0; // closes the tray; false when the drive refused
    // Re-reads the drive and its medium from the store. full: also re-checks the payload.
    virtual bool Refresh(bool full) = 0;
    // When the medium could not be read (corrupt or truncated state or payload), the reason;
    // empty otherwise. Such a drive reports no medium.
    virtual std::string MediumProblem() const = 0;
    virtual bool IsTrayOpen() const = 0;

    virtual std::shared_ptr<IDiscInfoX> DiscInfo() = 0;
    virtual std::shared_ptr<IAudioTrackListX> AudioTrackList() = 0;
    // Track n (1-based); null when the medium has no such track.
    virtual std::shared_ptr<ITrackInfoX> TrackInfo(std::int32_t n) = 0;
    virtual std::int32_t FreeBlocks(bool refresh) = 0;
    virtual std::int32_t UsedBlocks(bool refresh) = 0;
    // FileSystemBits found on data track n; 0 for audio, blank or unknown tracks.
    virtual std::int32_t TrackFileSystems(std::int32_t n) = 0;

    // Starts erasing on the engine's worker thread: quick blanks the table of contents, full
    // overwrites the whole medium. speedKBs 0 = as fast as possible. True when it started;
    // the outcome comes as OnEraseStatus / OnEraseError.
    virtual bool Erase(bool quick, std::int32_t speedKBs) = 0;

    // The file system of the loaded medium, for paths "X:\...". Throws EngineError when there
    // is no medium or it cannot be read.
    virtual std::shared_ptr<IDiscVolume> Volume() = 0;
};

} // namespace discengine
