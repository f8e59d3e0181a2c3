#pragma once

#include <filesystem>
#include <sys/types.h>
#include <vector>

namespace platform {

// The processes of the current user whose executable is exactly `executable` (compared by
// file identity, so another installation or another user's program never matches).
std::vector<pid_t> ProcessesRunning(const std::filesystem::path& executable);

// Asks a process to close (SIGTERM). False when it is gone or not ours.
bool AskToClose(pid_t pid);

bool IsRunning(pid_t pid);

} // namespace platform
