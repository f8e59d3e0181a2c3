#include "isofs/Errors.h"
#include "isofs/Sink.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace isofs {

FdSink::FdSink(int fd, std::size_t bufferBytes) : fd_(fd), buffer_(bufferBytes) {}

FdSink::~FdSink() = default;

void FdSink::writeAll(const unsigned char* data, std::size_t bytes) {
    while (bytes > 0) {
        ssize_t n = ::write(fd_, data, bytes);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            int err = errno;
            throw OutputError(err, std::string("Cannot write the image: ") + std::strerror(err));
        }
        if (n == 0)
            throw OutputError(ENOSPC, "Cannot write the image: no space left");
        data += n;
        bytes -= static_cast<std::size_t>(n);
        written_ += static_cast<std::uint64_t>(n);
    }
}

void FdSink::write(const void* data, std::size_t bytes) {
    auto* p = static_cast<const unsigned char*>(data);
    while (bytes > 0) {
        if (fill_ == 0 && bytes >= buffer_.size()) {
            // Large aligned pieces skip the buffer.
            std::size_t direct = bytes - bytes % buffer_.size();
            writeAll(p, direct);
            p += direct;
            bytes -= direct;
            continue;
        }
        std::size_t take = std::min(bytes, buffer_.size() - fill_);
        std::memcpy(buffer_.data() + fill_, p, take);
        fill_ += take;
        p += take;
        bytes -= take;
        if (fill_ == buffer_.size())
            flush();
    }
}

void FdSink::flush() {
    if (fill_ > 0) {
        std::size_t n = fill_;
        fill_ = 0;
        writeAll(buffer_.data(), n);
    }
}

std::span<unsigned char> FdSink::reserve(std::size_t bytes) {
    if (buffer_.size() - fill_ < std::min(bytes, buffer_.size()))
        flush();
    return {buffer_.data() + fill_, std::min(bytes, buffer_.size() - fill_)};
}

void FdSink::commit(std::size_t bytes) {
    fill_ += std::min(bytes, buffer_.size() - fill_);
    if (fill_ == buffer_.size())
        flush();
}

std::int64_t FdSink::copyFromFd(int fd, std::uint64_t offset, std::size_t bytes) {
    if (!copyRangeWorks_ || bytes == 0)
        return 0;
    flush();
    // The page cache builds large folios only at aligned file offsets: a long copy that starts
    // off a 64 KiB boundary is done in small pages all the way (about 15 % slower on ext4). Up
    // to the boundary first; the caller comes back for the rest.
    constexpr std::uint64_t kAlign = 64u << 10;
    if (const std::uint64_t off = written_ % kAlign; off != 0 && bytes > 2 * kAlign)
        bytes = static_cast<std::size_t>(kAlign - off);
    loff_t in = static_cast<loff_t>(offset);
    for (;;) {
        ssize_t n = ::copy_file_range(fd, &in, fd_, nullptr, bytes, 0);
        if (n >= 0) {
            written_ += static_cast<std::uint64_t>(n);
            return n;
        }
        int err = errno;
        if (err == EINTR)
            continue;
        if (err == EXDEV || err == EINVAL || err == ENOSYS || err == EOPNOTSUPP || err == EBADF) {
            copyRangeWorks_ = false;
            return 0;
        }
        if (err == ENOSPC || err == EFBIG || err == EDQUOT)
            throw OutputError(err, std::string("Cannot write the image: ") + std::strerror(err));
        // EIO and the like: the caller retries with read(), which tells source from target.
        copyRangeWorks_ = false;
        return 0;
    }
}

} // namespace isofs
