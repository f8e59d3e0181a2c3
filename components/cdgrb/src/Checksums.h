#pragma once

#include "Disc.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// What a rip proves about the audio it read: CRC32 of the PCM, the AccurateRip v1 and v2
// checksums, the peak level; and the disc identifiers the AccurateRip database is keyed by.
namespace cdgrb {

constexpr std::uint32_t kSamplesPerFrame = 588; // stereo samples in one 1/75 s sector

class TrackChecksums {
public:
    // `samples` is the track's length in stereo samples. AccurateRip leaves out the first five
    // frames of the disc less one sample (the first track) and its last five frames (the last).
    TrackChecksums(std::uint32_t samples, bool firstTrack, bool lastTrack);

    // The next stereo samples of the track (interleaved L, R).
    void add(const std::int16_t* pcm, std::size_t samples);

    std::uint32_t crc32() const { return ~crc_; }
    std::uint32_t accurateRipV1() const { return v1_; }
    std::uint32_t accurateRipV2() const { return v2_; }
    // The largest absolute sample value, 0..32768.
    std::uint32_t peak() const { return peak_; }

private:
    std::uint32_t from_, to_; // the multipliers counted, inclusive
    std::uint32_t position_ = 0;
    std::uint32_t crc_ = 0xFFFFFFFFu;
    std::uint32_t v1_ = 0, v2_ = 0;
    std::uint32_t peak_ = 0;
};

struct DiscIds {
    std::uint32_t id1 = 0, id2 = 0, cddb = 0;
    int tracks = 0;
};

// From the track list as libcdio gives it (every track; the lead-out after the last).
DiscIds discIds(const std::vector<TrackEntry>& tracks);

} // namespace cdgrb
