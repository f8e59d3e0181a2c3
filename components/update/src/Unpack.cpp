#include "update/Unpack.h"

#include <archive.h>
#include <archive_entry.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <set>
#include <vector>

namespace update {
namespace {

namespace fs = std::filesystem;

struct ArchiveFree {
    void operator()(archive* a) const { archive_read_free(a); }
};
using ArchivePtr = std::unique_ptr<archive, ArchiveFree>;

struct Fd {
    int fd = -1;
    ~Fd() {
        if (fd >= 0)
            ::close(fd);
    }
};

enum class Kind { File, Folder, Link };

struct Entry {
    std::string path; // normalised, relative, '/'-separated
    Kind kind = Kind::File;
    std::string target;
    std::uint64_t size = 0;
    bool executable = false;
};

ArchivePtr OpenArchive(const fs::path& file) {
    ArchivePtr a(archive_read_new());
    if (!a)
        return a;
    archive_read_support_format_tar(a.get());
    archive_read_support_format_zip(a.get());
    archive_read_support_filter_xz(a.get());
    archive_read_support_filter_none(a.get());
    if (archive_read_open_filename(a.get(), file.c_str(), 65536) != ARCHIVE_OK)
        a.reset();
    return a;
}

// A relative path without ".", "..", empty parts or a leading slash; nothing when unsafe.
std::optional<std::string> CleanPath(std::string_view raw) {
    if (raw.empty() || raw.front() == '/' || raw.find('\\') != std::string_view::npos)
        return std::nullopt;
    std::string out;
    std::size_t pos = 0;
    while (pos <= raw.size()) {
        const std::size_t slash = std::min(raw.find('/', pos), raw.size());
        const std::string_view part = raw.substr(pos, slash - pos);
        pos = slash + 1;
        if (part.empty() || part == ".")
            continue;
        if (part == "..")
            return std::nullopt;
        if (!out.empty())
            out += '/';
        out += part;
    }
    if (out.empty())
        return std::nullopt;
    return out;
}

// Whether a link at `path` pointing to `target` stays inside the package.
bool LinkStaysInside(const std::string& path, std::string_view target) {
    if (target.empty() || target.front() == '/')
        return false;
    int depth = static_cast<int>(std::count(path.begin(), path.end(), '/'));
    std::size_t pos = 0;
    while (pos <= target.size()) {
        const std::size_t slash = std::min(target.find('/', pos), target.size());
        const std::string_view part = target.substr(pos, slash - pos);
        pos = slash + 1;
        if (part == "..") {
            if (--depth < 0)
                return false;
        } else if (!part.empty() && part != ".") {
            ++depth;
        }
    }
    return true;
}

std::string ReadListing(archive* a, const UnpackLimits& limits, std::vector<Entry>& entries) {
    archive_entry* header = nullptr;
    std::uint64_t total = 0;
    std::set<std::string> seen;
    int rc = 0;
    while ((rc = archive_read_next_header(a, &header)) == ARCHIVE_OK) {
        const char* name = archive_entry_pathname(header);
        const auto path = CleanPath(name ? name : "");
        if (!path)
            return std::string("Unsafe path in the package: ") + (name ? name : "(none)");
        Entry e;
        e.path = *path;
        if (archive_entry_hardlink(header))
            return "Hard link in the package: " + e.path;
        switch (archive_entry_filetype(header)) {
        case AE_IFREG:
            e.kind = Kind::File;
            break;
        case AE_IFDIR:
            e.kind = Kind::Folder;
            break;
        case AE_IFLNK: {
            e.kind = Kind::Link;
            const char* target = archive_entry_symlink(header);
            e.target = target ? target : "";
            if (!LinkStaysInside(e.path, e.target))
                return "Link leading outside the package: " + e.path + " -> " + e.target;
            break;
        }
        default:
            return "Device, pipe or socket in the package: " + e.path;
        }
        const la_int64_t size = archive_entry_size(header);
        e.size = size > 0 ? static_cast<std::uint64_t>(size) : 0;
        e.executable = (archive_entry_perm(header) & 0111) != 0;
        total += e.size;
        if (e.size > limits.maxEntryBytes || total > limits.maxTotalBytes)
            return "The package is too large: " + e.path;
        if (entries.size() >= limits.maxEntries)
            return "The package holds too many entries";
        if (!seen.insert(e.path).second && e.kind != Kind::Folder)
            return "The package names an entry twice: " + e.path;
        entries.push_back(std::move(e));
    }
    if (rc != ARCHIVE_EOF)
        return std::string("The package is damaged: ") +
               (archive_error_string(a) ? archive_error_string(a) : "unreadable");
    // Nothing may lie below a link: a write through it could leave the staging folder.
    std::set<std::string> links;
    for (const Entry& e : entries)
        if (e.kind == Kind::Link)
            links.insert(e.path);
    for (const Entry& e : entries)
        for (std::size_t slash = e.path.find('/'); slash != std::string::npos;
             slash = e.path.find('/', slash + 1))
            if (links.count(e.path.substr(0, slash)))
                return "Entry below a link in the package: " + e.path;
    return {};
}

std::string WriteFile(archive* a, const fs::path& file, const Entry& e,
                      const std::atomic<bool>& stop) {
    Fd out;
    out.fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                    e.executable ? 0755 : 0644);
    if (out.fd < 0)
        return "Cannot create " + file.string();
    std::uint64_t written = 0;
    const void* block = nullptr;
    size_t size = 0;
    la_int64_t offset = 0;
    int rc = 0;
    while ((rc = archive_read_data_block(a, &block, &size, &offset)) == ARCHIVE_OK) {
        if (stop.load())
            return "Stopped";
        // The header's size is what the limits checked; a body longer than it is refused.
        if (offset < 0 || static_cast<std::uint64_t>(offset) + size > e.size)
            return "An entry is larger than its header says: " + e.path;
        const auto* bytes = static_cast<const char*>(block);
        std::size_t left = size;
        if (::lseek(out.fd, offset, SEEK_SET) < 0)
            return "Cannot write " + file.string();
        while (left > 0) {
            const ssize_t n = ::write(out.fd, bytes, left);
            if (n <= 0)
                return "Cannot write " + file.string() + " (disk full?)";
            bytes += n;
            left -= static_cast<std::size_t>(n);
        }
        written = std::max<std::uint64_t>(written, static_cast<std::uint64_t>(offset) + size);
    }
    if (rc != ARCHIVE_EOF)
        return "The package is damaged at " + e.path;
    if (::ftruncate(out.fd, static_cast<off_t>(e.size)) != 0 || ::fsync(out.fd) != 0)
        return "Cannot write " + file.string() + " (disk full?)";
    const int fd = out.fd;
    out.fd = -1;
    if (::close(fd) != 0)
        return "Cannot write " + file.string() + " (disk full?)";
    return {};
}

} // namespace

UnpackResult
UnpackPackage(const fs::path& archiveFile, const fs::path& staging,
              const std::function<void(const std::string&, std::uint64_t, std::uint64_t)>& progress,
              const std::atomic<bool>& stop, const UnpackLimits& limits) {
    UnpackResult result;
    std::vector<Entry> entries;
    {
        ArchivePtr a = OpenArchive(archiveFile);
        if (!a) {
            result.error = "The package cannot be opened";
            return result;
        }
        result.error = ReadListing(a.get(), limits, entries);
        if (!result.error.empty())
            return result;
    }
    std::error_code ec;
    if (!fs::create_directory(staging, ec) || ec) {
        result.error = "Cannot create the staging folder " + staging.string();
        return result;
    }
    auto fail = [&](std::string error) {
        std::error_code ignored;
        fs::remove_all(staging, ignored);
        result.error = std::move(error);
        result.stopped = stop.load();
        return result;
    };
    ArchivePtr a = OpenArchive(archiveFile);
    if (!a)
        return fail("The package cannot be opened");
    archive_entry* header = nullptr;
    std::vector<const Entry*> links;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (stop.load())
            return fail("Stopped");
        if (archive_read_next_header(a.get(), &header) != ARCHIVE_OK)
            return fail("The package changed while it was unpacked");
        const Entry& e = entries[i];
        if (progress)
            progress(e.path, i, entries.size());
        const fs::path target = staging / e.path;
        fs::create_directories(target.parent_path(), ec);
        if (ec)
            return fail("Cannot create " + target.parent_path().string() + " (disk full?)");
        if (e.kind == Kind::Folder) {
            fs::create_directories(target, ec);
            if (ec)
                return fail("Cannot create " + target.string());
        } else if (e.kind == Kind::Link) {
            links.push_back(&e); // made last, so nothing is ever written through one
        } else {
            const std::string error = WriteFile(a.get(), target, e, stop);
            if (!error.empty())
                return fail(error);
        }
    }
    for (const Entry* e : links) {
        if (::symlink(e->target.c_str(), (staging / e->path).c_str()) != 0)
            return fail("Cannot create the link " + e->path);
    }
    result.ok = true;
    return result;
}

} // namespace update
