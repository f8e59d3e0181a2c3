#pragma once

#include "discengine/VirtualStore.h"

#include <filesystem>
#include <optional>
#include <string>

namespace discengine {

// One drive of the store as read at one moment.
struct DriveState {
    std::filesystem::path folder;
    DriveConfig config;
    std::optional<MediumState> medium; // none: empty drive or an unreadable medium
    std::string problem;               // why the medium is unreadable; empty when fine
};

// Reads drive.ini and medium.ini under the drive's shared lock. A broken drive.ini throws
// EngineError; a broken medium gives `problem` and no medium. checkPayload also opens the
// audio payload with libcdio and compares its track table.
DriveState LoadDriveState(const std::filesystem::path& folder, bool checkPayload);
// The same for a caller that already holds the drive's lock (shared or exclusive): flock locks
// of one process on two descriptors conflict, so taking it again would wait forever.
DriveState LoadDriveStateLocked(const std::filesystem::path& folder, bool checkPayload);

// Throws EngineError when the payload files do not hold what medium.ini describes.
void ValidatePayload(const std::filesystem::path& folder, const MediumState& medium,
                     bool openWithLibcdio);

// The payload path of the audio BIN that belongs to the cue/toc payload.
std::filesystem::path AudioBinPath(const std::filesystem::path& folder, const MediumState& medium);

// Silences libcdio's own log output (its messages are turned into EngineError texts).
void QuietLibcdio();

} // namespace discengine
