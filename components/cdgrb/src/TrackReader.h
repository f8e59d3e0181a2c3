#pragma once

#include "CdioHandles.h"
#include "Disc.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

// Reads one audio track sector by sector through paranoia (overlap checking, retries).
namespace cdgrb {

constexpr int kSamplesPerSector = CDIO_CD_FRAMESIZE_RAW / 2; // int16 values, L and R

class TrackReader {
public:
    // Nothing when paranoia cannot open the disc.
    static std::unique_ptr<TrackReader> open(const Disc& disc, const TrackEntry& track);

    // Appends up to `maxSectors` sectors to `pcm`. CDGRB_OK, or CDGRB_E_READ when a sector
    // could not be read even after paranoia's retries (it would otherwise be skipped).
    int read(std::vector<std::int16_t>& pcm, int maxSectors);
    std::int32_t remaining() const { return last_ - next_ + 1; }
    // Paranoia's repairs and re-reads, and the sectors it gave up on, so far.
    std::uint32_t retries() const { return retries_; }
    std::uint32_t skips() const { return skips_; }

private:
    TrackReader() = default;
    CddaPtr cdda_;
    ParanoiaPtr paranoia_;
    std::int32_t next_ = 0;
    std::int32_t last_ = 0;
    std::atomic<std::uint32_t> retries_{0};
    std::atomic<std::uint32_t> skips_{0};
};

} // namespace cdgrb
