#pragma once

#include <filesystem>
#include <string>

namespace platform {

// The log-on autostart entry: an XDG autostart desktop file named `entryName`.desktop in
// $XDG_CONFIG_HOME/autostart whose Exec line starts `executable`.
std::filesystem::path AutoStartEntryPath(const std::string& entryName);
bool WriteAutoStartEntry(const std::string& entryName, const std::filesystem::path& executable);
bool RemoveAutoStartEntry(const std::string& entryName);

} // namespace platform
