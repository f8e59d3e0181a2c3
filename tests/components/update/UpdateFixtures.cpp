#include "UpdateFixtures.h"

#include "support/TempDir.h"
#include "update/Package.h"

#include <archive.h>
#include <archive_entry.h>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <stdexcept>

namespace updatetest {

namespace fs = std::filesystem;

LocalHttpServer::LocalHttpServer() {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(listener_, 8) != 0)
        throw std::runtime_error("cannot listen on 127.0.0.1");
    socklen_t len = sizeof addr;
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    thread_ = std::thread([this] { Serve(); });
}

LocalHttpServer::~LocalHttpServer() {
    Stop();
}

void LocalHttpServer::Stop() {
    {
        std::lock_guard lock(mutex_);
        if (stopping_ && !thread_.joinable())
            return;
        stopping_ = true;
    }
    changed_.notify_all();
    if (listener_ >= 0)
        ::shutdown(listener_, SHUT_RDWR);
    if (thread_.joinable())
        thread_.join();
    if (listener_ >= 0)
        ::close(listener_);
    listener_ = -1;
}

void LocalHttpServer::Release() {
    {
        std::lock_guard lock(mutex_);
        released_ = true;
    }
    changed_.notify_all();
}

void LocalHttpServer::WaitUntilHolding() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return holding_ || stopping_; });
}

void LocalHttpServer::Put(const std::string& path, Resource resource) {
    std::lock_guard lock(mutex_);
    resources_[path] = std::move(resource);
}

std::string LocalHttpServer::Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

void LocalHttpServer::Serve() {
    for (;;) {
        const int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0)
            return;
        Answer(client);
        ::close(client);
        std::lock_guard lock(mutex_);
        if (stopping_)
            return;
    }
}

void LocalHttpServer::Answer(int client) {
    std::string request;
    char buffer[4096];
    while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536) {
        const ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
        if (n <= 0)
            return;
        request.append(buffer, static_cast<std::size_t>(n));
    }
    const std::size_t start = request.find(' ') + 1;
    const std::string path = request.substr(start, request.find(' ', start) - start);
    Resource r;
    bool found = false;
    {
        std::lock_guard lock(mutex_);
        const auto it = resources_.find(path);
        if (it != resources_.end()) {
            r = it->second;
            found = true;
        }
    }
    auto send = [&](const char* data, std::size_t size) {
        while (size > 0) {
            const ssize_t n = ::send(client, data, size, MSG_NOSIGNAL);
            if (n <= 0)
                return false;
            data += n;
            size -= static_cast<std::size_t>(n);
        }
        return true;
    };
    if (!found) {
        const std::string head = "HTTP/1.0 404 Not Found\r\nContent-Length: 0\r\n\r\n";
        send(head.data(), head.size());
        return;
    }
    const std::string head = "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(r.body.size()) +
                             "\r\nContent-Type: application/octet-stream\r\n\r\n";
    if (!send(head.data(), head.size()))
        return;
    const std::size_t first = std::min({r.body.size(), r.truncateAt, r.holdAt});
    if (!send(r.body.data(), first))
        return;
    if (first == r.holdAt && r.holdAt < r.body.size()) {
        std::unique_lock lock(mutex_);
        holding_ = true;
        changed_.notify_all();
        changed_.wait(lock, [this] { return released_ || stopping_; });
        if (stopping_)
            return;
        lock.unlock();
        send(r.body.data() + first, r.body.size() - first);
    }
}

KeyPair MakeKeys() {
    KeyPair k;
    k.secret = update::GenerateSecretKey().value();
    k.pub = update::PublicKeyOf(k.secret).value();
    return k;
}

void MakeBundle(const fs::path& dir, const std::string& version) {
    fs::create_directories(dir / "langs");
    fs::create_directories(dir / "drives/D");
    fs::create_directories(dir / "skins");
    testsupport::writeFile(dir / "platterly", "#!/bin/sh\necho platterly " + version + "\n");
    fs::permissions(dir / "platterly", fs::perms::owner_all | fs::perms::group_read |
                                           fs::perms::group_exec | fs::perms::others_read |
                                           fs::perms::others_exec);
    testsupport::writeFile(dir / "libdiscengine.so", "engine " + version);
    testsupport::writeFile(dir / "skins/Splash.png", "splash " + version);
    testsupport::writeFile(dir / "langs/english.ini", "[Language]\nIDS_MAIN_TITLE=" + version);
    testsupport::writeFile(dir / "config.ini", "[Config]\nVersion=" + version);
    testsupport::writeFile(dir / "options.ini", "[Options]\nV=" + version);
    testsupport::writeFile(dir / "drives/D/drive.ini", "[Drive]\nV=" + version);
}

update::Manifest ServeRelease(LocalHttpServer& server, const fs::path& bundle,
                              const std::string& version, const KeyPair& keys,
                              const fs::path& scratch, bool zip) {
    fs::create_directories(scratch);
    const fs::path archive = scratch / (zip ? "pkg.zip" : "pkg.tar.xz");
    const std::string error = update::BuildPackage(
        bundle, archive, zip ? update::PackageFormat::Zip : update::PackageFormat::TarXz);
    if (!error.empty())
        throw std::runtime_error(error);
    update::Manifest m;
    m.product = "Platterly";
    m.version = version;
    m.package = "pkg";
    m.size = fs::file_size(archive);
    m.sha256 = update::Sha256OfFile(archive).value();
    server.Put("/pkg", {testsupport::readFile(archive)});
    server.Put("/update.manifest", {update::SignManifest(m, keys.secret).value()});
    return m;
}

void WriteArchive(const fs::path& file, const std::vector<ArchiveItem>& items, bool zip) {
    std::unique_ptr<archive, int (*)(archive*)> a(archive_write_new(), archive_write_free);
    if (zip) {
        archive_write_set_format_zip(a.get());
    } else {
        archive_write_set_format_pax_restricted(a.get());
        archive_write_add_filter_xz(a.get());
    }
    archive_write_open_filename(a.get(), file.c_str());
    for (const ArchiveItem& item : items) {
        std::unique_ptr<archive_entry, void (*)(archive_entry*)> e(archive_entry_new(),
                                                                   archive_entry_free);
        archive_entry_set_pathname(e.get(), item.path.c_str());
        archive_entry_set_perm(e.get(), 0644);
        switch (item.kind) {
        case ArchiveItem::File:
            archive_entry_set_filetype(e.get(), AE_IFREG);
            archive_entry_set_size(e.get(), static_cast<std::int64_t>(item.content.size()));
            break;
        case ArchiveItem::Folder:
            archive_entry_set_filetype(e.get(), AE_IFDIR);
            break;
        case ArchiveItem::Link:
            archive_entry_set_filetype(e.get(), AE_IFLNK);
            archive_entry_set_symlink(e.get(), item.target.c_str());
            break;
        case ArchiveItem::Device:
            archive_entry_set_filetype(e.get(), AE_IFCHR);
            archive_entry_set_rdev(e.get(), makedev(1, 3));
            break;
        case ArchiveItem::HardLink:
            archive_entry_set_filetype(e.get(), AE_IFREG);
            archive_entry_set_hardlink(e.get(), item.target.c_str());
            break;
        }
        archive_write_header(a.get(), e.get());
        if (item.kind == ArchiveItem::File && !item.content.empty())
            archive_write_data(a.get(), item.content.data(), item.content.size());
    }
    archive_write_close(a.get());
}

std::string RunAndRead(const std::string& command) {
    std::string out;
    std::unique_ptr<FILE, int (*)(FILE*)> p(::popen(command.c_str(), "r"), ::pclose);
    if (!p)
        return out;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, p.get()))
        out += buffer;
    return out;
}

} // namespace updatetest
