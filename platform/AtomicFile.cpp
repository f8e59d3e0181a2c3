#include "platform/AtomicFile.h"

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

bool writeAll(int fd, std::string_view content) {
    const char* p = content.data();
    std::size_t left = content.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

bool rewriteInPlace(const std::filesystem::path& file, std::string_view content) {
    const int fd = ::open(file.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = writeAll(fd, content);
    return ::close(fd) == 0 && ok;
}

} // namespace

bool WriteFileAtomically(const std::filesystem::path& file, std::string_view content) {
    std::error_code ec;
    if (std::filesystem::is_directory(file, ec))
        return false;
    const auto folder = file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
    std::string pattern = (folder / ("." + file.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) {
        if (std::filesystem::exists(file, ec))
            return rewriteInPlace(file, content);
        return false;
    }
    struct stat st {};
    const mode_t mode = ::stat(file.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644;
    ::fchmod(fd, mode);
    bool ok = writeAll(fd, content);
    ok = (::close(fd) == 0) && ok;
    if (ok && ::rename(pattern.c_str(), file.c_str()) == 0)
        return true;
    ::unlink(pattern.c_str());
    return false;
}

} // namespace platform
