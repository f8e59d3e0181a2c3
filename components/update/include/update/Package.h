#pragma once

#include <filesystem>
#include <string>

namespace update {

enum class PackageFormat { TarXz, Zip };

// Packs the bundle folder into an update package: every file, folder and link below it, with
// its permissions, except the user's own files (settings, drives, temporary folder, language
// files), which an update never carries. Empty text on success, else the error.
std::string BuildPackage(const std::filesystem::path& bundle, const std::filesystem::path& archive,
                         PackageFormat format);

} // namespace update
