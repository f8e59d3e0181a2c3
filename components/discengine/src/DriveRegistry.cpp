#include "discengine/DriveRegistry.h"

#include "DriveState.h"
#include "RegistryState.h"
#include "discengine/Errors.h"
#include "discengine/VirtualStore.h"

#include <cdio/cdio.h>
#include <cstdlib>
#include <mutex>

namespace fs = std::filesystem;

namespace discengine {
namespace registry {
namespace {
std::mutex mutex;
std::optional<fs::path> store;
} // namespace

void SetStore(const fs::path& path) {
    std::lock_guard lock(mutex);
    store = path;
}

std::optional<fs::path> Store() {
    std::lock_guard lock(mutex);
    return store;
}
} // namespace registry

fs::path DefaultDriveStore(const fs::path& programDir) {
    if (const char* env = std::getenv("PLATTERLY_DRIVES"); env && *env)
        return fs::path(env);
    return programDir / "drives";
}

std::optional<CdioSource> DriveCdioSource(char letter, const fs::path& fallbackStore) {
    auto store = registry::Store();
    if (!store) {
        registry::SetStore(fallbackStore);
        store = fallbackStore;
    }
    try {
        std::error_code ec;
        if (!fs::exists(*store, ec))
            CreateDefaultStore(*store);
        fs::path folder = VirtualStore(*store).FolderOf(letter);
        DriveState state = LoadDriveState(folder, false);
        if (state.config.trayOpen || !state.medium || state.medium->audioPayload.empty())
            return std::nullopt;
        fs::path cue = folder / state.medium->audioPayload;
        int driver = cue.extension() == ".toc" ? DRIVER_CDRDAO : DRIVER_BINCUE;
        return CdioSource{cue.string(), driver};
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

} // namespace discengine
