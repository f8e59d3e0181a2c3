#pragma once

#include "update/Crypto.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace update {

// What an update address answers: a short signed text (format in README.md).
struct Manifest {
    std::string product;
    std::string version;
    // Either a package (address, size, SHA-256) or the page of a new installation.
    std::string package;
    std::uint64_t size = 0;
    Digest sha256{};
    std::string reinstall;
};

inline constexpr std::string_view ManifestFormat = "platterly-update-1";
// A manifest is a few hundred bytes; anything much larger is not one.
inline constexpr std::size_t MaxManifestBytes = 64 * 1024;

struct ManifestResult {
    std::optional<Manifest> manifest;
    std::string error; // set when manifest is empty
    bool badSignature = false;
};

// Checks the signature first, then the fields: nothing unsigned is ever interpreted.
ManifestResult ParseManifest(std::string_view text, const PublicKey& trusted);

// The signed text of a manifest (without its signature line), and the same with the signature
// line appended; used by the release tool and the tests.
std::string ManifestBody(const Manifest& manifest);
std::optional<std::string> SignManifest(const Manifest& manifest, const SecretKey& key);

// Dotted numeric versions ("0.10.2" > "0.9"); missing parts count as 0. Nothing when either
// text is not such a version.
std::optional<int> CompareVersions(std::string_view a, std::string_view b);

} // namespace update
