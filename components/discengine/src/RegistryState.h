#pragma once

#include <filesystem>
#include <optional>

// The store the process-wide drive registry answers from.
namespace discengine::registry {
void SetStore(const std::filesystem::path& store);
std::optional<std::filesystem::path> Store();
} // namespace discengine::registry
