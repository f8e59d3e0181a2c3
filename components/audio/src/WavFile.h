#pragma once

#include <cstdint>
#include <filesystem>

namespace audio {

// What the RIFF WAVE header of a file says, checked against itself and against the file.
struct WavLayout {
    std::uint16_t formatTag = 0; // 1 integer PCM, 3 float, 0xFFFE extensible, others compressed
    std::uint16_t channels = 0;
    std::uint32_t sampleRate = 0;
    std::uint32_t byteRate = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bitsPerSample = 0;
    std::uint64_t dataOffset = 0;
    // Bytes of the data chunk actually in the file (a header may claim more than is there).
    std::uint64_t dataBytes = 0;

    bool isUncompressed() const { return formatTag == 1 || formatTag == 3 || formatTag == 0xFFFE; }
};

// Reads and checks the header of `file`. Throws AudioError naming the fault when the file is
// not RIFF WAVE or its header contradicts itself (zero channels or rate, a block size that does
// not fit the sample size, a byte rate that does not fit the block size, no data chunk).
WavLayout readWavLayout(const std::filesystem::path& file);

} // namespace audio
