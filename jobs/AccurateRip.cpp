#include "jobs/AccurateRip.h"
#include "platform/LoadedLibrary.h"

#include <curl/curl.h>

#include <cstdio>
#include <memory>

namespace accuraterip {
namespace {

constexpr std::size_t kMaxEntryBytes = 1 << 20; // real entries are a few kilobytes
constexpr long kConnectSeconds = 10;
constexpr long kTotalSeconds = 30;

std::uint32_t Le32(const std::string& b, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(b[at + static_cast<std::size_t>(i)]);
    return v;
}

// libcurl and its TLS stack are loaded on the first lookup, not with every program that can
// rip: they would add about 30 libraries to the start of each (platterly-cli included).
struct Curl {
    decltype(&curl_global_init) globalInit = nullptr;
    decltype(&curl_easy_init) init = nullptr;
    decltype(&curl_easy_cleanup) cleanup = nullptr;
    decltype(&curl_easy_setopt) setopt = nullptr;
    decltype(&curl_easy_perform) perform = nullptr;
    decltype(&curl_easy_strerror) strerror = nullptr;
    decltype(&curl_easy_getinfo) getinfo = nullptr;
    bool ready = false;

    Curl() {
        const platform::LoadedLibrary library("libcurl.so.4");
        ready = library.Get(globalInit, "curl_global_init") &&
                library.Get(init, "curl_easy_init") && library.Get(cleanup, "curl_easy_cleanup") &&
                library.Get(setopt, "curl_easy_setopt") &&
                library.Get(perform, "curl_easy_perform") &&
                library.Get(strerror, "curl_easy_strerror") &&
                library.Get(getinfo, "curl_easy_getinfo") &&
                globalInit(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    }
    static const Curl& Get() {
        static const Curl curl;
        return curl;
    }
};

struct CurlDeleter {
    void operator()(CURL* c) const { Curl::Get().cleanup(c); }
};

size_t Collect(char* data, size_t size, size_t count, void* user) {
    auto* body = static_cast<std::string*>(user);
    const size_t bytes = size * count;
    if (body->size() + bytes > kMaxEntryBytes)
        return 0; // makes libcurl stop with a write error
    body->append(data, bytes);
    return bytes;
}

} // namespace

std::string EntryUrl(const std::string& address, const DiscId& d) {
    std::string base = address;
    if (base.empty() || base.back() != '/')
        base += '/';
    char path[96];
    std::snprintf(path, sizeof path, "%x/%x/%x/dBAR-%03u-%08x-%08x-%08x.bin", d.id1 & 0xF,
                  (d.id1 >> 4) & 0xF, (d.id1 >> 8) & 0xF, d.tracks, d.id1, d.id2, d.cddb);
    return base + path;
}

std::optional<std::vector<Pressing>> ParseEntry(const std::string& b) {
    std::vector<Pressing> pressings;
    std::size_t at = 0;
    while (at < b.size()) {
        if (b.size() - at < 13)
            return std::nullopt;
        Pressing p;
        p.disc.tracks = static_cast<unsigned char>(b[at]);
        p.disc.id1 = Le32(b, at + 1);
        p.disc.id2 = Le32(b, at + 5);
        p.disc.cddb = Le32(b, at + 9);
        at += 13;
        if ((b.size() - at) / 9 < p.disc.tracks)
            return std::nullopt;
        for (std::uint32_t t = 0; t < p.disc.tracks; ++t, at += 9)
            p.tracks.push_back(
                {static_cast<unsigned char>(b[at]), Le32(b, at + 1), Le32(b, at + 5)});
        pressings.push_back(std::move(p));
    }
    if (pressings.empty())
        return std::nullopt;
    return pressings;
}

TrackVerdict Judge(const std::optional<std::vector<Pressing>>& entry, const DiscId& disc,
                   int trackNumber, std::uint32_t v1, std::uint32_t v2) {
    TrackVerdict verdict;
    if (!entry)
        return verdict;
    bool listed = false;
    for (const Pressing& p : *entry) {
        if (p.disc.tracks != disc.tracks || trackNumber < 1 ||
            static_cast<std::size_t>(trackNumber) > p.tracks.size())
            continue;
        const Pressing::Track& t = p.tracks[static_cast<std::size_t>(trackNumber - 1)];
        listed = true;
        if ((t.crc == v1 || t.crc == v2) && t.confidence > verdict.confidence) {
            verdict.verdict = Verdict::Accurate;
            verdict.confidence = t.confidence;
        }
    }
    if (verdict.verdict != Verdict::Accurate && listed)
        verdict.verdict = Verdict::Mismatch;
    return verdict;
}

Lookup Fetch(const std::string& address, const DiscId& disc) {
    Lookup lookup;
    const Curl& api = Curl::Get();
    std::unique_ptr<CURL, CurlDeleter> curl(api.ready ? api.init() : nullptr);
    if (!curl) {
        lookup.error = "libcurl could not be set up";
        return lookup;
    }
    const std::string url = EntryUrl(address, disc);
    std::string body;
    char error[CURL_ERROR_SIZE] = {};
    CURL* c = curl.get();
    api.setopt(c, CURLOPT_URL, url.c_str());
    api.setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    api.setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    api.setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
    api.setopt(c, CURLOPT_MAXREDIRS, 3L);
    api.setopt(c, CURLOPT_CONNECTTIMEOUT, kConnectSeconds);
    api.setopt(c, CURLOPT_TIMEOUT, kTotalSeconds);
    api.setopt(c, CURLOPT_NOSIGNAL, 1L);
    api.setopt(c, CURLOPT_USERAGENT, "Platterly");
    api.setopt(c, CURLOPT_ERRORBUFFER, error);
    api.setopt(c, CURLOPT_WRITEFUNCTION, &Collect);
    api.setopt(c, CURLOPT_WRITEDATA, &body);
    const CURLcode rc = api.perform(c);
    if (rc != CURLE_OK) {
        lookup.error = error[0] ? error : api.strerror(rc);
        return lookup;
    }
    long status = 0;
    api.getinfo(c, CURLINFO_RESPONSE_CODE, &status);
    if (status == 404) {
        lookup.status = Lookup::Status::Absent;
        return lookup;
    }
    if (status != 200) {
        lookup.error = "HTTP status " + std::to_string(status);
        return lookup;
    }
    lookup.entry = ParseEntry(body);
    if (!lookup.entry) {
        lookup.error = "the answer is not a database entry";
        return lookup;
    }
    lookup.status = Lookup::Status::Found;
    return lookup;
}

} // namespace accuraterip
