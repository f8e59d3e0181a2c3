#include "RegularFile.h"

#include "discengine/Errors.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace discengine {

SourceFile::~SourceFile() {
    if (fd_ >= 0)
        ::close(fd_);
}

SourceFile& SourceFile::operator=(SourceFile&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

std::int64_t SourceFile::Size() const {
    struct stat st {};
    if (fd_ < 0 || ::fstat(fd_, &st) != 0)
        return -1;
    return st.st_size;
}

SourceFile OpenRegularFile(const std::filesystem::path& file, int& error) {
    // O_NONBLOCK: opening a FIFO for reading must not wait for a writer; O_NOCTTY: a terminal
    // named as an image must not become our controlling terminal.
    SourceFile source(::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!source.IsOpen()) {
        error = errno;
        return {};
    }
    struct stat st {};
    if (::fstat(source.Fd(), &st) != 0) {
        error = errno;
        return {};
    }
    if (!S_ISREG(st.st_mode)) {
        error = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        return {};
    }
    int flags = ::fcntl(source.Fd(), F_GETFL);
    if (flags >= 0)
        ::fcntl(source.Fd(), F_SETFL, flags & ~O_NONBLOCK);
    error = 0;
    return source;
}

std::string OpenFailureReason(const std::filesystem::path& file, int error) {
    struct stat st {};
    // A socket cannot be opened at all (ENXIO): name the kind of file whatever errno says.
    if (::stat(file.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        const char* kind = S_ISDIR(st.st_mode)                          ? "a folder"
                           : S_ISFIFO(st.st_mode)                       ? "a FIFO (named pipe)"
                           : S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode) ? "a device"
                           : S_ISSOCK(st.st_mode)                       ? "a socket"
                                                                        : "a special file";
        return std::string("it is ") + kind + ", not a regular file";
    }
    return std::strerror(error);
}

SourceFile OpenRegularFileOrThrow(const std::filesystem::path& file, const std::string& what) {
    int error = 0;
    SourceFile source = OpenRegularFile(file, error);
    if (!source.IsOpen())
        throw EngineError("Cannot read " + what + (what.empty() ? "" : " ") + file.string() + ": " +
                          OpenFailureReason(file, error));
    return source;
}

std::int64_t ReadAt(int fd, char* buffer, std::int64_t size, std::int64_t offset) {
    std::int64_t done = 0;
    while (done < size) {
        ssize_t got = ::pread(fd, buffer + done, static_cast<std::size_t>(size - done),
                              static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += got;
    }
    return done;
}

} // namespace discengine
