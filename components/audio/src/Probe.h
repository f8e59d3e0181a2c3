#pragma once

#include <cstdint>
#include <filesystem>

namespace audio {

enum class AudioKind { Wav, Mp3, Wma };

// True when `file`'s content is a valid file of `kind` whose first audio frames decode.
// Never throws.
bool isFileOfKind(const std::filesystem::path& file, AudioKind kind) noexcept;

// The number of sample frames a decoder delivers for the first audio stream of `file`, and its
// sample rate. Throws AudioError for files that are not readable audio.
struct AudioLength {
    std::int64_t samples = 0;
    int sampleRate = 0;
};
AudioLength measureLength(const std::filesystem::path& file);

} // namespace audio
