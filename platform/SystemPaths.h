#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace platform {

// Full path of the running executable (from /proc/self/exe).
std::filesystem::path ExecutablePath();

// The program folder: the executable's folder, where the component libraries and the bundle's
// data live (the current folder when the executable cannot be named).
std::filesystem::path ProgramDir();

// Space of the file system holding `path`: mount point, free and total bytes.
struct VolumeSpace {
    std::filesystem::path mountPoint;
    std::uint64_t freeBytes = 0;
    std::uint64_t totalBytes = 0;
};
std::optional<VolumeSpace> QueryVolumeSpace(const std::filesystem::path& path);

// $XDG_CONFIG_HOME, else ~/.config.
std::filesystem::path UserConfigDir();

} // namespace platform
