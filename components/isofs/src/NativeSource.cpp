#include "FileKind.h"
#include "isofs/Errors.h"
#include "isofs/Source.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace isofs {

namespace {

std::string errnoText(int err) {
    return std::strerror(err);
}

// File systems whose files report sizes that have nothing to do with what reading them gives
// (/proc/self/mem is a "regular file" of size 0).
bool isPseudoFileSystemType(unsigned long type) {
    switch (type) {
    case PROC_SUPER_MAGIC:
    case SYSFS_MAGIC:
    case DEBUGFS_MAGIC:
    case TRACEFS_MAGIC:
    case SECURITYFS_MAGIC:
    case CGROUP_SUPER_MAGIC:
    case CGROUP2_SUPER_MAGIC:
    case BPF_FS_MAGIC:
    case EFIVARFS_MAGIC:
    case PSTOREFS_MAGIC:
        return true;
    default:
        return false;
    }
}

// The last device seen to hold an ordinary file system. A compilation's files mostly live on
// one device, so asking the kernel about the file system once per device instead of once per
// file saves a system call for each of 100,000 files. Pseudo file systems are never remembered.
std::atomic<dev_t> gOrdinaryDevice{static_cast<dev_t>(-1)};

// `statfs` fills `fs` for the file's file system; false when it cannot be asked.
template <typename StatFs> bool isPseudoFileSystem(dev_t device, StatFs&& statfs) {
    if (device == gOrdinaryDevice.load(std::memory_order_relaxed))
        return false;
    struct statfs fs {};
    if (!statfs(fs))
        return false;
    if (isPseudoFileSystemType(static_cast<unsigned long>(fs.f_type)))
        return true;
    gOrdinaryDevice.store(device, std::memory_order_relaxed);
    return false;
}

// Opens a regular file for reading without ever blocking (a FIFO swapped in after a stat would
// block an ordinary open) and checks what it is. Returns the descriptor, or -1 with `problem`
// saying why the file cannot be a source.
int openRegular(const std::string& path, struct stat& st, std::string& problem, int& err) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        err = errno;
        problem = "Cannot open " + path + ": " + errnoText(err);
        return -1;
    }
    if (::fstat(fd, &st) != 0) {
        err = errno;
        problem = "Cannot read " + path + ": " + errnoText(err);
    } else if (!S_ISREG(st.st_mode)) {
        err = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        problem = path + " is " + detail::fileKind(st.st_mode) + ", not a regular file";
    } else if (isPseudoFileSystem(st.st_dev,
                                  [&](struct statfs& fs) { return ::fstatfs(fd, &fs) == 0; })) {
        err = EINVAL;
        problem = path + " is a file of the kernel's pseudo file systems, not a regular file";
    } else {
        // O_NONBLOCK stays: it does nothing for a regular file's reads (the reader clears it
        // should a file system answer EAGAIN after all), and clearing it would cost a call per
        // file.
        return fd;
    }
    ::close(fd);
    return -1;
}

class NativeReader : public SourceReader {
public:
    NativeReader(std::string path, int fd, std::uint64_t size)
        : path_(std::move(path)), fd_(fd), size_(size) {}
    ~NativeReader() override { ::close(fd_); }

    std::size_t read(void* buffer, std::size_t bytes) override {
        for (;;) {
            ssize_t n = ::read(fd_, buffer, bytes);
            if (n >= 0) {
                position_ += static_cast<std::uint64_t>(n);
                return static_cast<std::size_t>(n);
            }
            if (errno == EAGAIN && !blocking_) {
                blocking_ = true;
                const int flags = ::fcntl(fd_, F_GETFL);
                if (flags >= 0 && ::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK) == 0)
                    continue;
                errno = EAGAIN;
            }
            if (errno != EINTR) {
                int err = errno;
                throw SourceError(path_, err, "Cannot read " + path_ + ": " + errnoText(err));
            }
        }
    }
    std::uint64_t size() const override { return size_; }
    int nativeFd() const override { return fd_; }
    void advance(std::uint64_t bytes) override {
        position_ += bytes;
        ::lseek(fd_, static_cast<off_t>(position_), SEEK_SET);
    }
    std::uint64_t position() const override { return position_; }

private:
    std::string path_;
    int fd_;
    std::uint64_t size_;
    std::uint64_t position_ = 0;
    bool blocking_ = false; // O_NONBLOCK was cleared
};

} // namespace

SourceInfo NativeSourceOpener::stat(const std::string& path) const {
    SourceInfo info;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        // A link whose target is missing or that loops is there, but nothing can be read.
        if (errno == ELOOP || (errno != ENOENT && errno != ENOTDIR)) {
            info.exists = true;
            info.problem = "Cannot read " + path + ": " + errnoText(errno);
        }
        return info;
    }
    info.exists = true;
    info.modified = st.st_mtim.tv_sec;
    if (S_ISDIR(st.st_mode)) {
        info.isFolder = true;
        return info;
    }
    if (!S_ISREG(st.st_mode)) {
        info.problem = path + " is " + detail::fileKind(st.st_mode) + ", not a regular file";
        return info;
    }
    if (isPseudoFileSystem(st.st_dev,
                           [&](struct statfs& fs) { return ::statfs(path.c_str(), &fs) == 0; })) {
        info.problem = path + " is a file of the kernel's pseudo file systems, not a regular file";
        return info;
    }
    // Checked now so that an unreadable file is refused when it is added, not halfway through a
    // write; asking for access costs one call where opening and closing costs four.
    if (::faccessat(AT_FDCWD, path.c_str(), R_OK, AT_EACCESS) != 0) {
        info.problem = "Cannot open " + path + ": " + errnoText(errno);
        return info;
    }
    info.size = static_cast<std::uint64_t>(st.st_size);
    return info;
}

std::unique_ptr<SourceReader> NativeSourceOpener::open(const std::string& path) const {
    struct stat st {};
    std::string problem;
    int err = 0;
    int fd = openRegular(path, st, problem, err);
    if (fd < 0)
        throw SourceError(path, err, problem);
    return std::make_unique<NativeReader>(path, fd, static_cast<std::uint64_t>(st.st_size));
}

std::shared_ptr<const SourceOpener> nativeSourceOpener() {
    static const auto opener = std::make_shared<const NativeSourceOpener>();
    return opener;
}

} // namespace isofs
