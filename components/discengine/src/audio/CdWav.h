#pragma once

#include "../RegularFile.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace discengine::audioimage {

// The shared opening helpers, as the audio image has always named them.
using discengine::OpenRegularFile;
using discengine::ReadAt;
using discengine::SourceFile;

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
// The same for a file already opened (with OpenRegularFile); `file` names it in the result.
std::optional<CdWav> ProbeCdWav(const SourceFile& source, const std::filesystem::path& file,
                                std::string& why);

} // namespace discengine::audioimage

namespace discengine::audioimage {

// An inserted track's source opened for the write, checked again against what was inserted.
struct OpenedTrack {
    SourceFile file;
    std::int64_t offset = 0; // where the PCM starts
    std::int64_t bytes = 0;  // PCM to read, at most the track's planned length
    bool changed = false;    // the file is not the one inserted (length or time differ)
    int error = 0;           // errno when it could not be used
    std::string problem;     // why it could not be used; empty when it can
};
// Opens `inserted.path` again: a source that vanished or is no longer a CD-format WAV file is
// reported before the first block is written, while the disc is still blank.
OpenedTrack OpenInsertedTrack(const CdWav& inserted);

} // namespace discengine::audioimage
