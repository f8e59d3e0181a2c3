#include "discengine/DriveRegistry.h"

#include "DriveState.h"
#include "RegistryState.h"
#include "discengine/Errors.h"
#include "discengine/VirtualStore.h"
#include "physical/Libburn.h"

#include <cctype>
#include <cdio/cdio.h>
#include <cstdlib>
#include <mutex>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace discengine {
namespace registry {
namespace {
std::mutex mutex;
std::optional<fs::path> store;
std::vector<PhysicalEntry> physical;
std::int32_t physicalCount = 0;
} // namespace

void SetDrives(const fs::path& path, std::vector<PhysicalEntry> drives, std::int32_t count) {
    std::lock_guard lock(mutex);
    store = path;
    physical = std::move(drives);
    physicalCount = count;
}

std::optional<fs::path> Store() {
    std::lock_guard lock(mutex);
    return store;
}

namespace {
// A drive letter as the engine gives it: a physical drive's node, or the letter the store
// itself uses (physical drives come first and move the store's letters on).
struct Resolved {
    std::optional<std::string> devicePath;
    char storeLetter = 0;
};
Resolved Resolve(char letter) {
    std::lock_guard lock(mutex);
    for (const auto& entry : physical)
        if (entry.letter == letter)
            return {entry.devicePath, 0};
    return {std::nullopt, static_cast<char>(letter - physicalCount)};
}
} // namespace
} // namespace registry

fs::path DefaultDriveStore(const fs::path& programDir) {
    if (const char* env = std::getenv("PLATTERLY_DRIVES"); env && *env)
        return fs::path(env);
    return programDir / "drives";
}

namespace {

// The store the registry answers from, set up from `fallbackStore` when no engine did it.
fs::path EnsureRegistry(const fs::path& fallbackStore) {
    auto store = registry::Store();
    if (store)
        return *store;
    // No engine in this process: the letters are given as an engine would give them.
    std::vector<registry::PhysicalEntry> entries;
    char next = 'D';
    for (const auto& found : physical::FindPhysicalDrives(""))
        entries.push_back({next++, physical::DevicePathOf(found.address)});
    auto count = static_cast<std::int32_t>(entries.size());
    registry::SetDrives(fallbackStore, std::move(entries), count);
    return fallbackStore;
}

struct LoadedMedium {
    fs::path folder;
    std::string payload; // the audio payload's file name
};

// A virtual drive's readable audio medium; nothing when the tray is open or there is none.
std::optional<LoadedMedium> VirtualMedium(const fs::path& store, char storeLetter) {
    std::error_code ec;
    if (!fs::exists(store, ec))
        CreateDefaultStore(store);
    fs::path folder = VirtualStore(store).FolderOf(storeLetter);
    DriveState state = LoadDriveState(folder, false);
    if (state.config.trayOpen || !state.medium || state.medium->audioPayload.empty())
        return std::nullopt;
    return LoadedMedium{folder, state.medium->audioPayload};
}

} // namespace

std::optional<CdioSource> DriveCdioSource(char letter, const fs::path& fallbackStore) {
    const fs::path store = EnsureRegistry(fallbackStore);
    letter = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
    auto resolved = registry::Resolve(letter);
    if (resolved.devicePath)
        return CdioSource{*resolved.devicePath, DRIVER_LINUX};
    try {
        auto medium = VirtualMedium(store, resolved.storeLetter);
        if (!medium)
            return std::nullopt;
        fs::path cue = medium->folder / medium->payload;
        int driver = cue.extension() == ".toc" ? DRIVER_CDRDAO : DRIVER_BINCUE;
        return CdioSource{cue.string(), driver};
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::optional<std::string> MediumIdentity(char letter, const fs::path& fallbackStore) {
    const fs::path store = EnsureRegistry(fallbackStore);
    letter = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
    auto resolved = registry::Resolve(letter);
    if (resolved.devicePath)
        return "device:" + *resolved.devicePath; // a drive's own disc changes are libcdio's to see
    try {
        auto medium = VirtualMedium(store, resolved.storeLetter);
        if (!medium)
            return std::nullopt;
        // Every insert writes a new sheet and medium.ini (written aside, renamed into place), so
        // their inodes and times tell one loaded medium from the next, even the same image again.
        std::string identity;
        for (const fs::path& file :
             {medium->folder / medium->payload, medium->folder / "medium.ini"}) {
            struct stat st {};
            if (::stat(file.c_str(), &st) != 0)
                return std::nullopt;
            identity += file.filename().string() + ":" + std::to_string(st.st_dev) + ":" +
                        std::to_string(st.st_ino) + ":" + std::to_string(st.st_mtim.tv_sec) + "." +
                        std::to_string(st.st_mtim.tv_nsec) + ":" + std::to_string(st.st_size) + ";";
        }
        return identity;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

} // namespace discengine
