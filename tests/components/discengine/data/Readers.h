#pragma once

#include <filesystem>
#include <map>
#include <string>

namespace datatest {

// Every file of an image as path ("\a\b.txt") -> bytes, read with libiso9660 (Joliet names when
// asked for, else ISO9660 names without their version) or with libudf.
std::map<std::string, std::string> ReadIso(const std::filesystem::path& image, bool joliet,
                                           std::string* label = nullptr);
std::map<std::string, std::string> ReadUdf(const std::filesystem::path& image,
                                           std::string* label = nullptr);
// Every file xorriso extracts from the image into `folder` (which must not exist yet).
std::map<std::string, std::string> ExtractWithXorriso(const std::filesystem::path& image,
                                                      const std::filesystem::path& folder);

} // namespace datatest
