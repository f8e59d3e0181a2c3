#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace update {

// The installation's own file in the program folder: the update address and the installed
// version ("update.ini", section "Update", keys "Url" and "Version").
inline constexpr std::string_view InstallationFile = "update.ini";

// Files and folders of the program folder that belong to the user: an update never writes them.
// Language files are kept when they exist (the user may have edited them); new ones are added.
bool IsUserFile(const std::string& relativePath, bool existsInProgramDir);

struct InstallResult {
    bool ok = false;
    std::string error;
};

// Moves every file of `staging` into `appDir`. Before the first change a journal beside the
// program folder lists what will happen, and every replaced file is kept as a rollback copy;
// any failure puts the old files back. A run cut short (power loss) is undone by
// RecoverInterruptedInstall. On success the rollback copy, the journal and `staging` go away.
// `beforeStep` is called before each file is moved (tests use it to cut an install short).
InstallResult InstallStaged(const std::filesystem::path& staging,
                            const std::filesystem::path& appDir,
                            const std::function<bool(const std::string&)>& beforeStep = {});

// Puts back the old version when an earlier install was interrupted. True when there was
// nothing to do or the old files are back.
bool RecoverInterruptedInstall(const std::filesystem::path& appDir);

// Where the update's working files go: a folder beside the program folder (same file system,
// so the install is made of renames).
std::filesystem::path WorkFolder(const std::filesystem::path& appDir);
std::filesystem::path RollbackFolder(const std::filesystem::path& appDir);
std::filesystem::path JournalFile(const std::filesystem::path& appDir);

} // namespace update
