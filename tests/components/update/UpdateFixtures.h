#pragma once

#include "update/Crypto.h"
#include "update/Manifest.h"

#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace updatetest {

// A small HTTP/1.0 server on 127.0.0.1 (an ephemeral port), one thread, one request at a time.
struct Resource {
    std::string body;
    // Send only this many bytes of the body, then close (Content-Length stays the full size).
    std::size_t truncateAt = SIZE_MAX;
    // Send this many bytes, then wait until Release() or Stop() (the server going away).
    std::size_t holdAt = SIZE_MAX;
};

class LocalHttpServer {
public:
    LocalHttpServer();
    ~LocalHttpServer();
    void Put(const std::string& path, Resource resource);
    std::string Url(const std::string& path) const;
    // Ends the server: held connections close at once.
    void Stop();
    void Release();
    // True once a held transfer has sent its first part (waits for it; no timing involved).
    void WaitUntilHolding();

private:
    void Serve();
    void Answer(int client);

    int listener_ = -1;
    int port_ = 0;
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::map<std::string, Resource> resources_;
    bool stopping_ = false;
    bool released_ = false;
    bool holding_ = false;
};

struct KeyPair {
    update::SecretKey secret{};
    update::PublicKey pub{};
};
KeyPair MakeKeys();

// A bundle folder: the main program (a script printing its version), a library file, a
// language file, settings and a drive store.
void MakeBundle(const std::filesystem::path& dir, const std::string& version);

// Packs `bundle`, serves it with its signed manifest under /update.manifest and /pkg.
update::Manifest ServeRelease(LocalHttpServer& server, const std::filesystem::path& bundle,
                              const std::string& version, const KeyPair& keys,
                              const std::filesystem::path& scratch, bool zip = false);

// Writes an archive of hand-made entries (hostile ones included).
struct ArchiveItem {
    enum Kind { File, Folder, Link, Device, HardLink };
    ArchiveItem(std::string path, Kind kind, std::string content = {}, std::string target = {})
        : path(std::move(path)), kind(kind), content(std::move(content)),
          target(std::move(target)) {}
    std::string path;
    Kind kind = File;
    std::string content; // file body
    std::string target;  // link target
};
void WriteArchive(const std::filesystem::path& file, const std::vector<ArchiveItem>& items,
                  bool zip = false);

std::string RunAndRead(const std::string& command);

} // namespace updatetest
