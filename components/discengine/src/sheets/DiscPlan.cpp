#include "DiscPlan.h"

#include "discengine/Errors.h"

#include <algorithm>

namespace discengine::sheets {

std::int64_t SectorBytes(SectorMode mode) {
    switch (mode) {
    case SectorMode::Mode1Cooked:
        return kUserData;
    case SectorMode::Mode2Formless:
        return 2336;
    default:
        return kRawSector;
    }
}

std::int64_t PlanTrack::Sectors() const {
    std::int64_t bytes = 0;
    for (const Piece& piece : pieces)
        bytes += piece.bytes;
    std::int64_t size = SectorBytes(mode);
    return (bytes + size - 1) / size;
}

void DropLeadingBytes(PlanTrack& track, std::int64_t bytes) {
    auto& pieces = track.pieces;
    while (bytes > 0 && !pieces.empty()) {
        Piece& first = pieces.front();
        std::int64_t take = std::min(bytes, first.bytes);
        first.offset += first.file >= 0 ? take : 0;
        first.bytes -= take;
        bytes -= take;
        if (first.bytes == 0)
            pieces.erase(pieces.begin());
    }
}

void CheckPlan(const DiscPlan& plan, const std::string& source) {
    if (plan.tracks.empty())
        throw EngineError(source + " describes no tracks");
    if (plan.tracks.size() > 99)
        throw EngineError(source + " describes more than 99 tracks");
    std::int64_t total = 0;
    for (std::size_t i = 0; i < plan.tracks.size(); ++i) {
        const PlanTrack& track = plan.tracks[i];
        std::int64_t sectors = track.Sectors();
        if (sectors <= track.index1)
            throw EngineError(source + ": track " + std::to_string(i + 1) + " is empty");
        total += sectors;
        if (total > kMaxDiscFrames)
            throw EngineError(source + " describes more than a CD can hold");
    }
}

} // namespace discengine::sheets
