#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace discengine::audioimage {

// Red Book audio: 44.1 kHz, 16 bit, 2 channels; one frame (sector) holds 1/75 s.
constexpr std::int64_t kFrameBytes = 2352;
constexpr std::int32_t kFramesPerSecond = 75;
constexpr std::int32_t kPregapFrames = 2 * kFramesPerSecond;
// The shortest track a recorder accepts; shorter sources are padded with silence.
constexpr std::int32_t kMinTrackFrames = 4 * kFramesPerSecond;

// Where the PCM of a CD-format WAV file lies, and what the file looked like when it was read.
struct CdWav {
    std::filesystem::path path;
    std::int64_t dataOffset = 0;
    std::int64_t dataBytes = 0;
    std::int64_t fileSize = 0;
    std::int64_t modified = 0; // nanoseconds since the epoch

    // Frames on the disc: the PCM padded to whole frames, at least the minimum track length.
    std::int32_t Frames() const;
};

// Reads the RIFF header of `file` and accepts only uncompressed 44.1 kHz 16-bit stereo PCM
// whose data chunk lies wholly inside the file. Anything else (another format, a header that
// claims more data than the file holds, a directory, a FIFO) gives nullopt and the reason in
// `why`. Never blocks on special files.
std::optional<CdWav> ProbeCdWav(const std::filesystem::path& file, std::string& why);

// An open source file descriptor, closed on destruction.
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

private:
    int fd_ = -1;
};

// Opens a regular file for reading without blocking on FIFOs or devices; errno on failure
// (ENODEV-like EINVAL for anything that is not a regular file).
SourceFile OpenRegularFile(const std::filesystem::path& file, int& error);

// Reads up to `size` bytes at `offset`, retrying short reads; the count read (less at the end).
std::int64_t ReadAt(int fd, char* buffer, std::int64_t size, std::int64_t offset);

} // namespace discengine::audioimage
