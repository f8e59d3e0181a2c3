#include "DriveLookup.h"

#include <discengine/DriveRegistry.h>

#include <dlfcn.h>

#include <exception>

namespace cdgrb {

std::filesystem::path libraryFolder() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&libraryFolder), &info) == 0 || info.dli_fname == nullptr)
        return {};
    std::error_code ec;
    const auto file = std::filesystem::canonical(info.dli_fname, ec);
    return ec ? std::filesystem::path(info.dli_fname).parent_path() : file.parent_path();
}

std::optional<Source> lookupDrive(char letter) {
    try {
        const auto store = discengine::DefaultDriveStore(libraryFolder());
        const auto source = discengine::DriveCdioSource(letter, store);
        if (!source)
            return std::nullopt;
        return Source{source->path, source->driver, [letter, store] {
                          try {
                              return discengine::MediumIdentity(letter, store);
                          } catch (const std::exception&) {
                              return std::optional<std::string>();
                          }
                      }};
    } catch (const std::exception&) {
        // A store that cannot be read (corrupt drive.ini, ...) has no drive to rip from.
        return std::nullopt;
    }
}

} // namespace cdgrb
