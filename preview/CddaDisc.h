#pragma once

#include "discengine/DriveRegistry.h"

#include <cdio/cdio.h>

#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

// An audio CD opened through libcdio from the source the engine's drive registry names for a
// drive letter: the same source the grabbing library rips from, so virtual and physical drives
// play alike.
namespace preview {

// CD audio: 44.1 kHz, 16-bit stereo; a sector (frame) holds 1/75 s.
constexpr int kSampleRate = 44100;
constexpr int kBytesPerSample = 4; // one stereo sample: two little-endian int16
constexpr int kSamplesPerSector = 588;
constexpr int kSectorBytes = kSamplesPerSector * kBytesPerSample; // 2352

// "X:\TrackNN.cda" (any case, '/' accepted): the drive letter and the 1-based audio track.
struct CdaAddress {
    char letter = 0;
    int track = 0;
};
std::optional<CdaAddress> ParseCdaPath(const QString& fileName);

struct AudioTrack {
    std::int32_t first = 0;   // first sector (LSN)
    std::int32_t sectors = 0; // length in sectors
};

struct CdioDeleter {
    void operator()(CdIo_t* p) const { cdio_destroy(p); }
};
using CdioHandle = std::unique_ptr<CdIo_t, CdioDeleter>;

class CddaDisc {
public:
    // Throws PlayerError when libcdio cannot open the source or it holds no audio track.
    static std::unique_ptr<CddaDisc> Open(const discengine::CdioSource& source);

    // The disc's audio tracks in order; Track01.cda is the first of them.
    const std::vector<AudioTrack>& Tracks() const { return tracks_; }
    const discengine::CdioSource& Source() const { return source_; }

    // Reads `count` raw audio sectors from `lsn` into `out` (count * kSectorBytes bytes).
    // Only one thread reads at a time.
    bool ReadSectors(std::int32_t lsn, std::uint32_t count, char* out) const;

private:
    CddaDisc() = default;
    discengine::CdioSource source_;
    CdioHandle cdio_;
    std::vector<AudioTrack> tracks_;
};

} // namespace preview
