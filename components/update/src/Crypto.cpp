#include "update/Crypto.h"

#include <openssl/evp.h>
#include <openssl/rand.h>

#include <fstream>
#include <memory>

namespace update {
namespace {

struct PkeyFree {
    void operator()(EVP_PKEY* p) const { EVP_PKEY_free(p); }
};
struct MdCtxFree {
    void operator()(EVP_MD_CTX* c) const { EVP_MD_CTX_free(c); }
};
using PkeyPtr = std::unique_ptr<EVP_PKEY, PkeyFree>;
using MdCtxPtr = std::unique_ptr<EVP_MD_CTX, MdCtxFree>;

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::optional<std::string> ReadKeyLine(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::string line;
    std::getline(in, line);
    while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
        line.pop_back();
    return line;
}

} // namespace

std::string ToHex(const std::uint8_t* data, std::size_t size) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    out.reserve(size * 2);
    for (std::size_t i = 0; i < size; ++i) {
        out.push_back(digits[data[i] >> 4]);
        out.push_back(digits[data[i] & 15]);
    }
    return out;
}

template <std::size_t N> std::optional<std::array<std::uint8_t, N>> FromHex(std::string_view text) {
    if (text.size() != 2 * N)
        return std::nullopt;
    std::array<std::uint8_t, N> out{};
    for (std::size_t i = 0; i < N; ++i) {
        const int hi = HexValue(text[2 * i]);
        const int lo = HexValue(text[2 * i + 1]);
        if (hi < 0 || lo < 0)
            return std::nullopt;
        out[i] = static_cast<std::uint8_t>(hi * 16 + lo);
    }
    return out;
}
template std::optional<std::array<std::uint8_t, 32>> FromHex<32>(std::string_view);
template std::optional<std::array<std::uint8_t, 64>> FromHex<64>(std::string_view);

bool VerifySignature(const PublicKey& key, std::string_view message, const Signature& signature) {
    PkeyPtr pkey(EVP_PKEY_new_raw_public_key(EVP_PKEY_ED25519, nullptr, key.data(), key.size()));
    MdCtxPtr ctx(EVP_MD_CTX_new());
    if (!pkey || !ctx)
        return false;
    if (EVP_DigestVerifyInit(ctx.get(), nullptr, nullptr, nullptr, pkey.get()) != 1)
        return false;
    return EVP_DigestVerify(ctx.get(), signature.data(), signature.size(),
                            reinterpret_cast<const unsigned char*>(message.data()),
                            message.size()) == 1;
}

std::optional<Signature> Sign(const SecretKey& key, std::string_view message) {
    PkeyPtr pkey(EVP_PKEY_new_raw_private_key(EVP_PKEY_ED25519, nullptr, key.data(), key.size()));
    MdCtxPtr ctx(EVP_MD_CTX_new());
    if (!pkey || !ctx)
        return std::nullopt;
    if (EVP_DigestSignInit(ctx.get(), nullptr, nullptr, nullptr, pkey.get()) != 1)
        return std::nullopt;
    Signature sig{};
    std::size_t size = sig.size();
    if (EVP_DigestSign(ctx.get(), sig.data(), &size,
                       reinterpret_cast<const unsigned char*>(message.data()),
                       message.size()) != 1 ||
        size != sig.size())
        return std::nullopt;
    return sig;
}

std::optional<PublicKey> PublicKeyOf(const SecretKey& key) {
    PkeyPtr pkey(EVP_PKEY_new_raw_private_key(EVP_PKEY_ED25519, nullptr, key.data(), key.size()));
    if (!pkey)
        return std::nullopt;
    PublicKey pub{};
    std::size_t size = pub.size();
    if (EVP_PKEY_get_raw_public_key(pkey.get(), pub.data(), &size) != 1 || size != pub.size())
        return std::nullopt;
    return pub;
}

std::optional<SecretKey> GenerateSecretKey() {
    SecretKey key{};
    if (RAND_bytes(key.data(), static_cast<int>(key.size())) != 1)
        return std::nullopt;
    return key;
}

std::optional<PublicKey> ReadPublicKeyFile(const std::filesystem::path& file) {
    const auto line = ReadKeyLine(file);
    return line ? FromHex<32>(*line) : std::nullopt;
}

std::optional<SecretKey> ReadSecretKeyFile(const std::filesystem::path& file) {
    const auto line = ReadKeyLine(file);
    return line ? FromHex<32>(*line) : std::nullopt;
}

struct Sha256::State {
    MdCtxPtr ctx{EVP_MD_CTX_new()};
};

Sha256::Sha256() : state_(std::make_unique<State>()) {
    EVP_DigestInit_ex(state_->ctx.get(), EVP_sha256(), nullptr);
}

Sha256::~Sha256() = default;

void Sha256::add(const void* data, std::size_t size) {
    EVP_DigestUpdate(state_->ctx.get(), data, size);
}

Digest Sha256::finish() {
    Digest out{};
    unsigned int size = 0;
    EVP_DigestFinal_ex(state_->ctx.get(), out.data(), &size);
    return out;
}

std::optional<Digest> Sha256OfFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return std::nullopt;
    Sha256 hash;
    std::array<char, 65536> buffer{};
    while (in) {
        in.read(buffer.data(), buffer.size());
        if (in.gcount() > 0)
            hash.add(buffer.data(), static_cast<std::size_t>(in.gcount()));
    }
    if (in.bad())
        return std::nullopt;
    return hash.finish();
}

} // namespace update
