#include "core/Startup.h"

#include "core/MultiLanguages.h"
#include "core/globals.h"

namespace core {

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

} // namespace core
