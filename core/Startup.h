#pragma once

#include <filesystem>
#include <optional>

namespace core {

// The program's start-up before any window exists: configuration, options (with the temporary
// folder), the language table. Tests pass their own program folder.
void RunStartup(const std::optional<std::filesystem::path>& programDir = std::nullopt);

// What the main window does when it is destroyed: config.ini gets its defaults back, then the
// options are saved and applied.
void RunShutdown();

} // namespace core
