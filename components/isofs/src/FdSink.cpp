#include "isofs/Errors.h"
#include "isofs/Sink.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace isofs {

FdSink::FdSink(int fd, std::size_t bufferBytes) : fd_(fd), buffer_(bufferBytes) {}

FdSink::~FdSink() {
    closePipe();
}

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
    if (bytes == 0 || (!spliceWorks_ && !copyRangeWorks_))
        return 0;
    flush();
    // The page cache builds large folios only at aligned file offsets: a long copy that starts
    // off a 64 KiB boundary is done in small pages all the way (about 15 % slower on ext4). Up
    // to the boundary first; the caller comes back for the rest.
    constexpr std::uint64_t kAlign = 64u << 10;
    if (const std::uint64_t off = written_ % kAlign; off != 0 && bytes > 2 * kAlign)
        bytes = static_cast<std::size_t>(kAlign - off);
    if (spliceWorks_) {
        const std::int64_t n = spliceFrom(fd, offset, bytes);
        if (n != kNoSplice)
            return n;
        spliceWorks_ = false;
    }
    return copyRange(fd, offset, bytes);
}

// Through a pipe of our own, made as large as the system lets us: ext4 copies large writes into
// large page-cache folios, and copy_file_range's own pipe moves 64 KiB a write (about 6 % slower
// for a disc image).
std::int64_t FdSink::spliceFrom(int fd, std::uint64_t offset, std::size_t bytes) {
    if (pipe_[0] < 0) {
        if (::pipe2(pipe_, O_CLOEXEC) != 0)
            return kNoSplice;
        ::fcntl(pipe_[1], F_SETPIPE_SZ, 512 << 10); // a smaller pipe still works
        const int size = ::fcntl(pipe_[1], F_GETPIPE_SZ);
        pipeBytes_ = size > 0 ? static_cast<std::size_t>(size) : 64u << 10;
    }
    loff_t in = static_cast<loff_t>(offset);
    ssize_t got;
    do
        got = ::splice(fd, &in, pipe_[1], nullptr, std::min(bytes, pipeBytes_), SPLICE_F_MOVE);
    while (got < 0 && errno == EINTR);
    if (got < 0) {
        const int err = errno;
        if (err == EINVAL || err == ENOSYS || err == EOPNOTSUPP || err == EBADF || err == ESPIPE)
            return kNoSplice;
        return 0; // a read error: the caller reads it again itself, which names it
    }
    for (auto left = static_cast<std::size_t>(got); left > 0;) {
        const ssize_t put = ::splice(pipe_[0], nullptr, fd_, nullptr, left, SPLICE_F_MOVE);
        if (put > 0) {
            written_ += static_cast<std::uint64_t>(put);
            left -= static_cast<std::size_t>(put);
            continue;
        }
        const int err = put < 0 ? errno : EIO;
        if (err == EINTR)
            continue;
        closePipe(); // what is left in it belongs to no write
        if (err == EINVAL && left == static_cast<std::size_t>(got))
            return kNoSplice; // the target takes no splice: nothing of it was written
        throw OutputError(err, std::string("Cannot write the image: ") + std::strerror(err));
    }
    return got;
}

std::int64_t FdSink::copyRange(int fd, std::uint64_t offset, std::size_t bytes) {
    if (!copyRangeWorks_)
        return 0;
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

void FdSink::closePipe() {
    for (int& end : pipe_)
        if (end >= 0) {
            ::close(end);
            end = -1;
        }
}

} // namespace isofs
