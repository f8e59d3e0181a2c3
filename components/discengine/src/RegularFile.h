#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

// Opening files that come from the drive store or from a user's disc image. Every such file is
// opened without blocking and must be a regular file: a FIFO would otherwise stall the opener
// until someone writes to it, and a device or folder is never a disc image.
namespace discengine {

// An open file descriptor, closed on destruction.
class SourceFile {
public:
    SourceFile() = default;
    explicit SourceFile(int fd) : fd_(fd) {}
    ~SourceFile();
    SourceFile(SourceFile&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    SourceFile& operator=(SourceFile&& other) noexcept;
    SourceFile(const SourceFile&) = delete;
    SourceFile& operator=(const SourceFile&) = delete;
    int Fd() const { return fd_; }
    bool IsOpen() const { return fd_ >= 0; }
    // Bytes in the file now; -1 when it cannot be told.
    std::int64_t Size() const;

private:
    int fd_ = -1;
};

// Opens a regular file for reading without blocking on FIFOs or devices. On failure the result
// is closed and `error` holds errno (EISDIR for a folder, EINVAL for any other kind of file).
SourceFile OpenRegularFile(const std::filesystem::path& file, int& error);

// Why `file` could not be opened, in words ("it is a FIFO (named pipe), not a regular file",
// "No such file or directory", ...), for the `error` OpenRegularFile gave.
std::string OpenFailureReason(const std::filesystem::path& file, int error);

// OpenRegularFile that throws EngineError("Cannot read <what> <file>: <reason>") on failure.
SourceFile OpenRegularFileOrThrow(const std::filesystem::path& file, const std::string& what);

// Reads up to `size` bytes at `offset`, retrying short reads; the count read (less at the end).
std::int64_t ReadAt(int fd, char* buffer, std::int64_t size, std::int64_t offset);

} // namespace discengine
