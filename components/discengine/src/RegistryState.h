#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// What the process-wide drive registry answers from: the physical drives (first letters) and
// the store whose drives follow them.
namespace discengine::registry {

struct PhysicalEntry {
    char letter = 'D';
    std::string devicePath;
};

void SetDrives(const std::filesystem::path& store, std::vector<PhysicalEntry> physical,
               std::int32_t physicalCount);
std::optional<std::filesystem::path> Store();

} // namespace discengine::registry
