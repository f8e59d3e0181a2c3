#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

namespace update {

struct UnpackLimits {
    std::uint64_t maxEntryBytes = 1ull << 30;
    std::uint64_t maxTotalBytes = 4ull << 30;
    std::uint64_t maxEntries = 100000;
};

struct UnpackResult {
    bool ok = false;
    bool stopped = false;
    std::string error;
};

// Unpacks a tar.xz or zip package into `staging`, which must not exist yet. The whole listing is
// checked before the first byte is written: an entry with "..", an absolute path, a link leading
// outside (or any entry below a link), a hard link, a device, fifo or socket, a duplicate or an
// over-large size refuses the package. On failure `staging` is removed again.
UnpackResult UnpackPackage(const std::filesystem::path& archive,
                           const std::filesystem::path& staging,
                           const std::function<void(const std::string& item, std::uint64_t done,
                                                    std::uint64_t total)>& progress,
                           const std::atomic<bool>& stop, const UnpackLimits& limits = {});

} // namespace update
