#pragma once

#include "update/Crypto.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace update {

// Why an address is refused, or nothing when it may be fetched: https with certificate checks,
// plain http only to a loopback address, file:// for local mirrors.
std::optional<std::string> CheckAddress(const std::string& url);

// `relative` read against the address of the manifest that named it.
std::optional<std::string> ResolveAddress(const std::string& base, const std::string& relative);

struct TransferProgress {
    std::uint64_t received = 0;
    std::uint64_t total = 0;
    std::uint64_t bytesPerSecond = 0;
};

struct TransferResult {
    bool ok = false;
    bool stopped = false;
    std::string error;
};

struct TransferOptions {
    long connectTimeoutSeconds = 20;
    // A transfer slower than 1 byte a second for this long counts as gone.
    long stallSeconds = 30;
};

// Fetches an address into memory, refusing more than `maxBytes`.
TransferResult FetchToMemory(const std::string& url, std::size_t maxBytes, std::string& out,
                             const std::atomic<bool>& stop, const TransferOptions& options = {});

// Fetches exactly `expectedSize` bytes into `target`, hashing them on the way. The bytes go to a
// temporary file beside the target, which is removed on any failure: nothing partial is left.
TransferResult FetchToFile(const std::string& url, const std::filesystem::path& target,
                           std::uint64_t expectedSize, Digest& sha256,
                           const std::function<void(const TransferProgress&)>& progress,
                           const std::atomic<bool>& stop, const TransferOptions& options = {});

} // namespace update
