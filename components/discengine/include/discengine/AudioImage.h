#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

namespace discengine {

class IDeviceX;

// The audio CD image: WAV tracks (44.1 kHz, 16 bit, stereo PCM) burned as one audio disc.
class IAudioCDImageX {
public:
    virtual ~IAudioCDImageX() = default;
    virtual std::int32_t ImageId() const = 0;
    virtual void ClearTracks() = 0;
    // Inserts a WAV file as track `position` (1-based); false when the file is refused.
    virtual bool InsertTrack(const std::filesystem::path& file, std::int32_t position) = 0;
    virtual std::int32_t TrackCount() const = 0;
    virtual bool RemoveTrack(std::int32_t position) = 0;
    // CD-Text of track `position` (UTF-8; written as Latin-1). A track inserted without it is
    // titled after its file name. False when there is no such track.
    virtual bool SetTrackText(std::int32_t position, const std::string& title,
                              const std::string& performer) = 0;
    // The album's CD-Text; ClearTracks empties it.
    virtual void SetDiscText(const std::string& title, const std::string& performer) = 0;
    virtual std::int32_t TotalBlocks() const = 0;
    virtual void SetWriteSpeed(std::int32_t speedKBs) = 0;
    virtual void SetCacheFiles(bool on) = 0;
    virtual void SetTestMode(bool on) = 0;
    virtual void SetFinalize(bool on) = 0;
    virtual void SetBufferProtect(bool on) = 0;
    virtual void SetWriteMode(std::int32_t mode) = 0;
    virtual void SetWriteKind(std::int32_t kind) = 0;
    virtual void SetCopyMode(bool on) = 0;
    virtual bool WriteToDevice(std::shared_ptr<IDeviceX> device) = 0;
    virtual void Cancel() = 0;
};

} // namespace discengine
