#include "isofs/Errors.h"
#include "isofs/Source.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace isofs {

namespace {

std::string errnoText(int err) {
    return std::strerror(err);
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
};

} // namespace

SourceInfo NativeSourceOpener::stat(const std::string& path) const {
    SourceInfo info;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return info;
    info.exists = true;
    info.isFolder = S_ISDIR(st.st_mode);
    info.size = info.isFolder ? 0 : static_cast<std::uint64_t>(st.st_size);
    info.modified = st.st_mtim.tv_sec;
    return info;
}

std::unique_ptr<SourceReader> NativeSourceOpener::open(const std::string& path) const {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        int err = errno;
        throw SourceError(path, err, "Cannot open " + path + ": " + errnoText(err));
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        int err = S_ISDIR(st.st_mode) ? EISDIR : (errno ? errno : EINVAL);
        ::close(fd);
        throw SourceError(path, err, "Not a regular file: " + path);
    }
    return std::make_unique<NativeReader>(path, fd, static_cast<std::uint64_t>(st.st_size));
}

std::shared_ptr<const SourceOpener> nativeSourceOpener() {
    static const auto opener = std::make_shared<const NativeSourceOpener>();
    return opener;
}

} // namespace isofs
