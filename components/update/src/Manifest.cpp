#include "update/Manifest.h"

#include <charconv>
#include <map>
#include <vector>

namespace update {
namespace {

constexpr std::string_view SignatureKey = "signature=";

bool Printable(std::string_view text) {
    for (unsigned char c : text)
        if (c < 0x20 || c == 0x7f)
            return false;
    return true;
}

std::optional<std::vector<std::uint64_t>> VersionParts(std::string_view text) {
    std::vector<std::uint64_t> parts;
    if (text.empty() || text.size() > 64)
        return std::nullopt;
    std::size_t pos = 0;
    while (pos <= text.size()) {
        const std::size_t dot = std::min(text.find('.', pos), text.size());
        const std::string_view part = text.substr(pos, dot - pos);
        std::uint64_t value = 0;
        const auto [end, ec] = std::from_chars(part.data(), part.data() + part.size(), value);
        if (part.empty() || ec != std::errc() || end != part.data() + part.size())
            return std::nullopt;
        parts.push_back(value);
        pos = dot + 1;
    }
    return parts;
}

} // namespace

std::optional<int> CompareVersions(std::string_view a, std::string_view b) {
    const auto pa = VersionParts(a);
    const auto pb = VersionParts(b);
    if (!pa || !pb)
        return std::nullopt;
    const std::size_t n = std::max(pa->size(), pb->size());
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint64_t x = i < pa->size() ? (*pa)[i] : 0;
        const std::uint64_t y = i < pb->size() ? (*pb)[i] : 0;
        if (x != y)
            return x < y ? -1 : 1;
    }
    return 0;
}

ManifestResult ParseManifest(std::string_view text, const PublicKey& trusted) {
    ManifestResult result;
    if (text.size() > MaxManifestBytes) {
        result.error = "The update information is too large";
        return result;
    }
    // The signature line is the last line; everything before it is what was signed.
    std::string_view trimmed = text;
    while (!trimmed.empty() && (trimmed.back() == '\n' || trimmed.back() == '\r'))
        trimmed.remove_suffix(1);
    const std::size_t lineStart =
        trimmed.rfind('\n') == std::string_view::npos ? 0 : trimmed.rfind('\n') + 1;
    const std::string_view lastLine = trimmed.substr(lineStart);
    if (lastLine.substr(0, SignatureKey.size()) != SignatureKey) {
        result.error = "The update information is not signed";
        result.badSignature = true;
        return result;
    }
    const auto signature = FromHex<64>(lastLine.substr(SignatureKey.size()));
    const std::string_view body = text.substr(0, lineStart);
    if (!signature || !VerifySignature(trusted, body, *signature)) {
        result.error = "The signature of the update information is not valid";
        result.badSignature = true;
        return result;
    }

    std::map<std::string, std::string, std::less<>> fields;
    std::size_t pos = 0;
    while (pos < body.size()) {
        const std::size_t end = std::min(body.find('\n', pos), body.size());
        std::string_view line = body.substr(pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty())
            continue;
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos || !Printable(line) ||
            !fields.emplace(std::string(line.substr(0, eq)), std::string(line.substr(eq + 1)))
                 .second) {
            result.error = "The update information is damaged";
            return result;
        }
    }
    auto field = [&](std::string_view key) -> std::string {
        const auto it = fields.find(key);
        return it == fields.end() ? std::string() : it->second;
    };
    if (field("format") != ManifestFormat) {
        result.error = "The update information has an unknown format";
        return result;
    }
    Manifest m;
    m.product = field("product");
    m.version = field("version");
    m.reinstall = field("reinstall");
    m.package = field("package");
    if (m.product.empty() || !VersionParts(m.version)) {
        result.error = "The update information names no product or version";
        return result;
    }
    if (m.reinstall.empty()) {
        const std::string size = field("size");
        const auto digest = FromHex<32>(field("sha256"));
        const auto [end, ec] = std::from_chars(size.data(), size.data() + size.size(), m.size);
        if (m.package.empty() || size.empty() || ec != std::errc() ||
            end != size.data() + size.size() || m.size == 0 || !digest) {
            result.error = "The update information describes no valid package";
            return result;
        }
        m.sha256 = *digest;
    }
    result.manifest = std::move(m);
    return result;
}

std::string ManifestBody(const Manifest& m) {
    std::string body;
    body += "format=" + std::string(ManifestFormat) + "\n";
    body += "product=" + m.product + "\n";
    body += "version=" + m.version + "\n";
    if (!m.reinstall.empty()) {
        body += "reinstall=" + m.reinstall + "\n";
    } else {
        body += "package=" + m.package + "\n";
        body += "size=" + std::to_string(m.size) + "\n";
        body += "sha256=" + ToHex(m.sha256) + "\n";
    }
    return body;
}

std::optional<std::string> SignManifest(const Manifest& manifest, const SecretKey& key) {
    const std::string body = ManifestBody(manifest);
    const auto sig = Sign(key, body);
    if (!sig)
        return std::nullopt;
    return body + std::string(SignatureKey) + ToHex(*sig) + "\n";
}

} // namespace update
