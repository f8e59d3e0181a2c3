#pragma once

#include "Checksums.h"
#include "Disc.h"
#include "Encoder.h"
#include "OutputFile.h"
#include "TrackReader.h"
#include "cdgrb/cdgrb.h"

#include <atomic>
#include <memory>

// One track's rip, set up completely before it runs so that everything that can be found wrong
// up front is reported by GrbRipTrack's result rather than after it has started.
namespace cdgrb {

class RipJob {
public:
    // CDGRB_OK with `job` set, or a negative CDGRB_E_* code; nothing is left on disk on failure.
    static int prepare(const Source& source, int trackIndex, const RipSettings& settings,
                       TGrbMonitorProc monitor, std::int32_t readOffset,
                       std::unique_ptr<RipJob>& job);

    // Reads and encodes the track, commits the file and reports the end (kind 3) to the monitor.
    // Returns the result reported.
    int run();
    void abort() { aborted_ = true; }
    // True once the work is over and the end is being reported.
    bool ended() const { return ended_; }
    // What the track's rip found; complete once ended() is true.
    const TGrbTrackResult& result() const { return result_; }

private:
    RipJob() = default;
    void report(int kind, float progress, int result, std::uint32_t speed) const;
    int encodeAll(std::uint32_t& speed, float& progress);
    // True when the drive now holds another medium than at the start, or none.
    bool mediumChanged() const;

    std::optional<Disc> disc_;
    std::function<std::optional<std::string>()> identity_;
    std::optional<std::string> startIdentity_;
    std::unique_ptr<TrackReader> reader_;
    std::unique_ptr<OutputFile> output_;
    std::unique_ptr<Encoder> encoder_;
    TGrbMonitorProc monitor_ = nullptr;
    int trackIndex_ = 0;
    std::int32_t sectors_ = 0;
    std::unique_ptr<TrackChecksums> checksums_;
    TGrbTrackResult result_{};
    std::atomic<bool> aborted_{false};
    std::atomic<bool> ended_{false};
};

} // namespace cdgrb
