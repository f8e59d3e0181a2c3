#pragma once

#include "cdgrb/cdgrb.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

class QObject;

// The program's hold on the CD grabbing library, loaded by full path from the program folder and
// bound entry point by entry point. Never linked: a missing or incomplete library leaves the
// objects unusable (`Loaded` false) instead of stopping the program.

namespace cdgrab {

// dlclose for the library handle.
struct LibraryCloser {
    void operator()(void* handle) const;
};
using LibraryHandle = std::unique_ptr<void, LibraryCloser>;

// ProgramDir + "libcdgrb.so".
std::filesystem::path DefaultLibraryPath();

} // namespace cdgrab

// Results of the grabber's operations when it cannot call the library.
inline constexpr std::int32_t GrbNotLoaded = static_cast<std::int32_t>(0x80000001u);
inline constexpr std::int32_t GrbNoHandle = static_cast<std::int32_t>(0x80000006u);

class TCDGrabber {
public:
    // Loads the library from the program folder.
    TCDGrabber();
    explicit TCDGrabber(const std::filesystem::path& library);
    ~TCDGrabber();
    TCDGrabber(const TCDGrabber&) = delete;
    TCDGrabber& operator=(const TCDGrabber&) = delete;

    // The library was loaded and all seven entry points were found (also when the grabber
    // handle is 0).
    bool Loaded() const { return loaded_; }
    std::int32_t Handle() const { return handle_; }

    std::int32_t SetCDLetter(char letter);
    std::int32_t SetEncoderOptions(std::int32_t format, const void* record, std::int32_t size);
    void SetMonitor(TGrbMonitorProc monitor);
    // Negative: the rip did not start.
    std::int32_t RipTrack(std::int32_t trackIndex);
    void AbortRip();
    // What the library found for the last track ripped (checksums, read retries, the disc's
    // identifiers). False when the library has no such entry point or no track has ended.
    bool TrackResult(TGrbTrackResult& result) const;
    // The drive's read offset in samples for later rips. False when the library cannot shift
    // (no such entry point) or refuses the value; 0 needs no library support.
    bool SetReadOffset(std::int32_t samples);

private:
    // GrbNotLoaded / GrbNoHandle when the library cannot be called, else 0.
    std::int32_t Unusable() const;

    cdgrab::LibraryHandle library_;
    decltype(&GrbCreateCDGrabber) create_ = nullptr;
    decltype(&GrbSetCDLetter) setLetter_ = nullptr;
    decltype(&GrbSetEncoderOptions) setOptions_ = nullptr;
    decltype(&GrbSetMonitor) setMonitor_ = nullptr;
    decltype(&GrbRipTrack) ripTrack_ = nullptr;
    decltype(&GrbAbortRip) abortRip_ = nullptr;
    decltype(&GrbCloseCDGrabber) close_ = nullptr;
    // Optional: a library without it still rips; the results are then unknown.
    decltype(&GrbGetTrackResult) trackResult_ = nullptr;
    decltype(&GrbSetReadOffset) setReadOffset_ = nullptr;
    bool loaded_ = false;
    std::int32_t handle_ = 0;
};

class TCDDevice {
public:
    explicit TCDDevice(char letter);
    TCDDevice(char letter, const std::filesystem::path& library);
    ~TCDDevice();
    TCDDevice(const TCDDevice&) = delete;
    TCDDevice& operator=(const TCDDevice&) = delete;

    bool Loaded() const { return loaded_; }
    std::int32_t Handle() const { return handle_; }
    char Letter() const { return letter_; }
    int SessionsCount() const { return sessions_; }
    int TracksCount() const { return tracks_; }
    const std::string& VolumeName() const { return volumeName_; }
    const std::string& FileSystemName() const { return fileSystemName_; }

    // The CD-Text of the disc (track 0) or a track, kind = pack type - 0x80 (0 title,
    // 1 performer, 7 genre), as UTF-8. Empty when the device is not open or there is no text.
    std::string GetCDText(int track, int kind) const;

private:
    void Open(const std::filesystem::path& library);

    cdgrab::LibraryHandle library_;
    decltype(&DevCreateCDDevice) create_ = nullptr;
    decltype(&DevGetLetter) getLetter_ = nullptr;
    decltype(&DevGetSessionsCount) getSessions_ = nullptr;
    decltype(&DevGetVolumeName) getVolumeName_ = nullptr;
    decltype(&DevGetFileSystemName) getFileSystemName_ = nullptr;
    decltype(&DevGetTracksCount) getTracks_ = nullptr;
    decltype(&DevGetTrack) getTrack_ = nullptr;
    decltype(&DevGetCDText) getCDText_ = nullptr;
    decltype(&DevCloseCDDevice) close_ = nullptr;
    bool loaded_ = false;
    std::int32_t handle_ = 0;
    char letter_;
    int sessions_ = 0;
    int tracks_ = 0;
    std::string volumeName_;
    std::string fileSystemName_;
};

// What the monitor reports to the job waiting for the current track. Written on the library's
// thread, read on the user-interface thread.
inline std::atomic<int> GrabPercent{0};
inline std::atomic<bool> GrabFinished{false};
// The result the library gave with its end report: negative when the track failed (read error,
// output not writable, abort) although the rip had started.
inline std::atomic<std::int32_t> GrabResult{0};
// Set by a job's cancel; the rip and copy jobs' loops look at it at each turn.
inline std::atomic<bool> GrabCancelled{false};

// The monitor handed to the library: percent, end of track and the read speed.
void GrabberMonitor(std::int32_t kind, float progress, std::int32_t result, std::int32_t track,
                    std::uint32_t bytesPerSecond);

// The speed text ("Current read speed: %d KB/s") goes to `show`, run on `context`'s thread
// (the user-interface thread) while this object lives. Reports that arrive faster than the
// user-interface thread takes them are merged: the latest speed wins.
class ScopedGrabSpeedTarget {
public:
    ScopedGrabSpeedTarget(QObject* context, std::function<void(const QString&)> show);
    ~ScopedGrabSpeedTarget();
    ScopedGrabSpeedTarget(const ScopedGrabSpeedTarget&) = delete;
    ScopedGrabSpeedTarget& operator=(const ScopedGrabSpeedTarget&) = delete;
};

// The text for a speed in bytes per second (divided by 1024, rounded down).
QString GrabSpeedText(std::uint32_t bytesPerSecond);
