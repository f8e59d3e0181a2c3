#include "app/Startup.h"

#include "app/MultiLanguages.h"
#include "app/globals.h"

namespace app {

void RunStartup(const std::optional<std::filesystem::path>& programDir) {
    globals::LoadConfig(programDir);
    globals::LoadOptions();
    // The outside components are plain shared libraries beside the executable: nothing to
    // register before they are used.
    MultiLanguages::ResetToEnglish();
    MultiLanguages::LoadLanguage();
}

void RunShutdown() {
    globals::WriteDefaultConfig();
    globals::SaveOptions();
}

} // namespace app
