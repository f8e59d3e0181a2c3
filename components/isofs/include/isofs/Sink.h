#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace isofs {

// Where the image bytes go, strictly in order. Errors are thrown as OutputError.
class OutputSink {
public:
    virtual ~OutputSink() = default;
    virtual void write(const void* data, std::size_t bytes) = 0;
    // Copies bytes from a source descriptor at offset without passing them through user space.
    // Returns the number copied (0 when the fast path is not available: the caller then reads
    // and writes). Source read errors come back as -errno.
    virtual std::int64_t copyFromFd(int /*fd*/, std::uint64_t /*offset*/, std::size_t /*bytes*/) {
        return 0;
    }
    virtual void flush() {}
    // Room for up to `bytes` in the sink's own buffer, so a source can be read straight into it
    // (then commit() what was filled); empty when the sink has no buffer to offer.
    virtual std::span<unsigned char> reserve(std::size_t /*bytes*/) { return {}; }
    virtual void commit(std::size_t /*bytes*/) {}
};

// Writes to an open file descriptor (not owned) through a large buffer; file data is moved in
// the kernel (splice through a pipe of its own, else copy_file_range) when the kernel allows it.
class FdSink : public OutputSink {
public:
    explicit FdSink(int fd, std::size_t bufferBytes = 1u << 20);
    ~FdSink() override;
    void write(const void* data, std::size_t bytes) override;
    std::int64_t copyFromFd(int fd, std::uint64_t offset, std::size_t bytes) override;
    void flush() override;
    std::span<unsigned char> reserve(std::size_t bytes) override;
    void commit(std::size_t bytes) override;
    std::uint64_t bytesWritten() const { return written_ + fill_; }

private:
    static constexpr std::int64_t kNoSplice = -1'000'000;
    void writeAll(const unsigned char* data, std::size_t bytes);
    std::int64_t spliceFrom(int fd, std::uint64_t offset, std::size_t bytes);
    std::int64_t copyRange(int fd, std::uint64_t offset, std::size_t bytes);
    void closePipe();
    int fd_;
    std::vector<unsigned char> buffer_;
    std::size_t fill_ = 0;
    std::uint64_t written_ = 0;
    bool spliceWorks_ = true;
    bool copyRangeWorks_ = true;
    int pipe_[2] = {-1, -1}; // read end, write end
    std::size_t pipeBytes_ = 0;
};

} // namespace isofs
