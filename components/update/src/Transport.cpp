#include "update/Transport.h"

#include <curl/curl.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <mutex>
#include <system_error>

namespace update {
namespace {

struct CurlFree {
    void operator()(CURL* c) const { curl_easy_cleanup(c); }
};
struct CurlUrlFree {
    void operator()(CURLU* u) const { curl_url_cleanup(u); }
};
struct CurlStrFree {
    void operator()(char* s) const { curl_free(s); }
};
struct FileClose {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using CurlPtr = std::unique_ptr<CURL, CurlFree>;
using CurlUrlPtr = std::unique_ptr<CURLU, CurlUrlFree>;
using CurlStr = std::unique_ptr<char, CurlStrFree>;

void GlobalInit() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return s;
}

std::optional<std::string> UrlPart(CURLU* url, CURLUPart part) {
    char* raw = nullptr;
    if (curl_url_get(url, part, &raw, 0) != CURLUE_OK)
        return std::nullopt;
    CurlStr owned(raw);
    return std::string(raw);
}

bool IsLoopback(const std::string& host) {
    if (host == "[::1]" || host == "::1" || host == "localhost")
        return true;
    // 127.x.y.z written as an address, not a name that merely begins with "127."
    if (host.rfind("127.", 0) != 0 || std::count(host.begin(), host.end(), '.') != 3)
        return false;
    return host.find_first_not_of("0123456789.") == std::string::npos;
}

struct Transfer {
    const std::atomic<bool>* stop = nullptr;
    std::string* memory = nullptr;
    std::size_t maxBytes = 0;
    std::FILE* file = nullptr;
    Sha256* hash = nullptr;
    std::uint64_t received = 0;
    std::uint64_t expected = 0;
    bool tooLarge = false;
    bool writeFailed = false;
    const std::function<void(const TransferProgress&)>* progress = nullptr;
    CURL* curl = nullptr;
};

size_t WriteBody(char* data, size_t size, size_t count, void* user) {
    auto& t = *static_cast<Transfer*>(user);
    const size_t bytes = size * count;
    if (t.stop->load())
        return 0;
    if (t.memory) {
        if (t.memory->size() + bytes > t.maxBytes) {
            t.tooLarge = true;
            return 0;
        }
        t.memory->append(data, bytes);
    } else {
        if (t.received + bytes > t.expected) {
            t.tooLarge = true;
            return 0;
        }
        if (std::fwrite(data, 1, bytes, t.file) != bytes) {
            t.writeFailed = true;
            return 0;
        }
        t.hash->add(data, bytes);
    }
    t.received += bytes;
    return bytes;
}

int Progress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    auto& t = *static_cast<Transfer*>(user);
    if (t.stop->load())
        return 1;
    if (t.progress && *t.progress) {
        curl_off_t speed = 0;
        curl_easy_getinfo(t.curl, CURLINFO_SPEED_DOWNLOAD_T, &speed);
        (*t.progress)({t.received, t.expected, static_cast<std::uint64_t>(speed)});
    }
    return 0;
}

TransferResult Run(const std::string& url, Transfer& t, const TransferOptions& options) {
    TransferResult result;
    if (const auto refused = CheckAddress(url)) {
        result.error = *refused;
        return result;
    }
    GlobalInit();
    CurlPtr curl(curl_easy_init());
    if (!curl) {
        result.error = "The network library could not start";
        return result;
    }
    t.curl = curl.get();
    char errorText[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(curl.get(), CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl.get(), CURLOPT_PROTOCOLS_STR, "https,http,file");
    // A redirect may only lead to https; a loopback http server has no reason to redirect.
    curl_easy_setopt(curl.get(), CURLOPT_REDIR_PROTOCOLS_STR, "https");
    curl_easy_setopt(curl.get(), CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl.get(), CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(curl.get(), CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(curl.get(), CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(curl.get(), CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(curl.get(), CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl.get(), CURLOPT_CONNECTTIMEOUT, options.connectTimeoutSeconds);
    curl_easy_setopt(curl.get(), CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl.get(), CURLOPT_LOW_SPEED_TIME, options.stallSeconds);
    curl_easy_setopt(curl.get(), CURLOPT_ERRORBUFFER, errorText);
    curl_easy_setopt(curl.get(), CURLOPT_WRITEFUNCTION, WriteBody);
    curl_easy_setopt(curl.get(), CURLOPT_WRITEDATA, &t);
    curl_easy_setopt(curl.get(), CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl.get(), CURLOPT_XFERINFOFUNCTION, Progress);
    curl_easy_setopt(curl.get(), CURLOPT_XFERINFODATA, &t);
    const CURLcode rc = curl_easy_perform(curl.get());
    if (t.stop->load()) {
        result.stopped = true;
        result.error = "Stopped";
        return result;
    }
    if (t.tooLarge) {
        result.error = "The server sent more data than announced";
        return result;
    }
    if (t.writeFailed) {
        result.error = "The download could not be written (disk full?)";
        return result;
    }
    if (rc != CURLE_OK) {
        result.error = errorText[0] ? std::string(errorText) : curl_easy_strerror(rc);
        return result;
    }
    result.ok = true;
    return result;
}

} // namespace

std::optional<std::string> CheckAddress(const std::string& url) {
    CurlUrlPtr parsed(curl_url());
    if (!parsed || curl_url_set(parsed.get(), CURLUPART_URL, url.c_str(), 0) != CURLUE_OK)
        return "The address is not valid: " + url;
    const std::string scheme = Lower(UrlPart(parsed.get(), CURLUPART_SCHEME).value_or(""));
    if (scheme == "https" || scheme == "file")
        return std::nullopt;
    if (scheme == "http" && IsLoopback(Lower(UrlPart(parsed.get(), CURLUPART_HOST).value_or(""))))
        return std::nullopt;
    return "Only https addresses are accepted: " + url;
}

std::optional<std::string> ResolveAddress(const std::string& base, const std::string& relative) {
    CurlUrlPtr url(curl_url());
    if (!url || curl_url_set(url.get(), CURLUPART_URL, base.c_str(), 0) != CURLUE_OK ||
        curl_url_set(url.get(), CURLUPART_URL, relative.c_str(), 0) != CURLUE_OK)
        return std::nullopt;
    return UrlPart(url.get(), CURLUPART_URL);
}

TransferResult FetchToMemory(const std::string& url, std::size_t maxBytes, std::string& out,
                             const std::atomic<bool>& stop, const TransferOptions& options) {
    out.clear();
    Transfer t;
    t.stop = &stop;
    t.memory = &out;
    t.maxBytes = maxBytes;
    return Run(url, t, options);
}

TransferResult FetchToFile(const std::string& url, const std::filesystem::path& target,
                           std::uint64_t expectedSize, Digest& sha256,
                           const std::function<void(const TransferProgress&)>& progress,
                           const std::atomic<bool>& stop, const TransferOptions& options) {
    std::error_code ec;
    const std::filesystem::path part = target.string() + ".part";
    std::filesystem::remove(part, ec);
    TransferResult result;
    std::unique_ptr<std::FILE, FileClose> file(std::fopen(part.c_str(), "wbx"));
    if (!file) {
        result.error = "The download could not be created in " + target.parent_path().string();
        return result;
    }
    Sha256 hash;
    Transfer t;
    t.stop = &stop;
    t.file = file.get();
    t.hash = &hash;
    t.expected = expectedSize;
    t.progress = &progress;
    result = Run(url, t, options);
    const bool closed = std::fclose(file.release()) == 0;
    if (result.ok && !closed) {
        result.ok = false;
        result.error = "The download could not be written (disk full?)";
    }
    if (result.ok && t.received != expectedSize) {
        result.ok = false;
        result.error = "The download is incomplete (" + std::to_string(t.received) + " of " +
                       std::to_string(expectedSize) + " bytes)";
    }
    if (result.ok) {
        if (progress)
            progress({t.received, expectedSize, 0});
        sha256 = hash.finish();
        std::filesystem::rename(part, target, ec);
        if (ec) {
            result.ok = false;
            result.error = "The download could not be stored: " + ec.message();
        }
    }
    if (!result.ok)
        std::filesystem::remove(part, ec);
    return result;
}

} // namespace update
