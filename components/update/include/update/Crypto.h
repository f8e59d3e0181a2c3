#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace update {

using PublicKey = std::array<std::uint8_t, 32>;
using SecretKey = std::array<std::uint8_t, 32>; // the Ed25519 seed
using Signature = std::array<std::uint8_t, 64>;
using Digest = std::array<std::uint8_t, 32>;

std::string ToHex(const std::uint8_t* data, std::size_t size);
template <std::size_t N> std::string ToHex(const std::array<std::uint8_t, N>& bytes) {
    return ToHex(bytes.data(), bytes.size());
}
// Exactly N bytes written as 2N hexadecimal digits (either case); anything else is nothing.
template <std::size_t N> std::optional<std::array<std::uint8_t, N>> FromHex(std::string_view text);

bool VerifySignature(const PublicKey& key, std::string_view message, const Signature& signature);
std::optional<Signature> Sign(const SecretKey& key, std::string_view message);
std::optional<PublicKey> PublicKeyOf(const SecretKey& key);
std::optional<SecretKey> GenerateSecretKey();

// A key file holds the key as one line of hexadecimal digits.
std::optional<PublicKey> ReadPublicKeyFile(const std::filesystem::path& file);
std::optional<SecretKey> ReadSecretKeyFile(const std::filesystem::path& file);

// SHA-256 fed piece by piece (a download is hashed as it arrives).
class Sha256 {
public:
    Sha256();
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;
    void add(const void* data, std::size_t size);
    Digest finish();

private:
    struct State;
    std::unique_ptr<State> state_;
};

std::optional<Digest> Sha256OfFile(const std::filesystem::path& file);

} // namespace update
