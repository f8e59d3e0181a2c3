#pragma once

#include "CdioHandles.h"
#include "Disc.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

// Reads one audio track sector by sector through paranoia (overlap checking, retries), shifted
// by the drive's read offset: a drive that delivers audio N samples late is corrected by
// reading N samples further on. Samples outside the disc (before its start, past its lead-out)
// are silence.
namespace cdgrb {

constexpr int kSamplesPerSector = CDIO_CD_FRAMESIZE_RAW / 2; // int16 values, L and R

class TrackReader {
public:
    // Nothing when paranoia cannot open the disc.
    static std::unique_ptr<TrackReader> open(const Disc& disc, const TrackEntry& track,
                                             std::int32_t offsetSamples = 0);

    // Appends up to `maxSectors` sectors' worth of the track's samples to `pcm`. CDGRB_OK, or
    // CDGRB_E_READ when a sector could not be read even after paranoia's retries (it would
    // otherwise be skipped).
    int read(std::vector<std::int16_t>& pcm, int maxSectors);
    // Sectors' worth of samples still to come.
    std::int32_t remaining() const {
        return static_cast<std::int32_t>((remainingSamples_ + kStereoPerSector - 1) /
                                         kStereoPerSector);
    }
    // Paranoia's repairs and re-reads, and the sectors it gave up on, so far.
    std::uint32_t retries() const { return retries_; }
    std::uint32_t skips() const { return skips_; }

private:
    static constexpr std::int64_t kStereoPerSector = kSamplesPerSector / 2;
    TrackReader() = default;
    // The next sector of the disc into carry_ (silence outside the disc).
    int fetch();

    CddaPtr cdda_;
    ParanoiaPtr paranoia_;
    std::int32_t nextSector_ = 0; // may lie before the disc or past its end
    std::int32_t discLast_ = 0;
    std::int64_t skip_ = 0; // stereo samples of the first sector before the track's first
    std::int64_t remainingSamples_ = 0;
    std::vector<std::int16_t> carry_;
    std::size_t carryAt_ = 0;
    std::atomic<std::uint32_t> retries_{0};
    std::atomic<std::uint32_t> skips_{0};
};

} // namespace cdgrb
