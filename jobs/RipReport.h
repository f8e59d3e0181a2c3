#pragma once

#include "cdgrb/cdgrb.h"
#include "jobs/AccurateRip.h"

#include <QString>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace rip {

struct RipJobSettings;

// What the rip job keeps of each ticked track for the AccurateRip check and the rip log.
struct TrackRecord {
    int trackNumber = 0; // 1-based
    QString title;
    std::string outputPath;
    QString status;                        // as the Status column shows it
    std::optional<TGrbTrackResult> result; // when the library told (the track was ripped)
    QString accurateRip;                   // the verdict text; empty when not checked
};

// The verdict of each ripped track, from the AccurateRip database: "accurately ripped
// (confidence N)", "not in database" or "mismatch". `wait` runs the caller's events while the
// database is asked (on a thread of its own); the error text when it could not be asked.
std::optional<QString> CheckAccurateRip(const std::string& address,
                                        std::vector<TrackRecord>& tracks,
                                        const std::function<void()>& wait);

// Writes the rip log into `folder` as "rip.log", or "rip (2).log", ... when earlier logs are
// there: one file per rip job, an earlier log is never overwritten. The file's path, or
// nothing with `error` set.
std::optional<std::filesystem::path> WriteRipLog(const RipJobSettings& settings,
                                                 const std::vector<TrackRecord>& tracks,
                                                 const QString& accurateRipNote,
                                                 std::string& error);

// A library result code as a reason for the log ("the disc was ejected or swapped", ...).
QString ResultText(std::int32_t result);

} // namespace rip
