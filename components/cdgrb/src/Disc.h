#pragma once

#include "CdioHandles.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// A medium opened through libcdio: its track list and CD-Text.
namespace cdgrb {

// What libcdio opens: a cue or toc file, or a device node, with its libcdio driver id.
struct Source {
    std::string path;
    int driver = 0;
    // What identifies the medium now (nothing: tray open, no disc); compared while ripping so a
    // disc swapped or ejected meanwhile fails the track. Absent: the source cannot change.
    std::function<std::optional<std::string>()> identity;
};

struct TrackEntry {
    int number = 0; // track number on the disc
    bool audio = false;
    std::int32_t first = 0; // first sector (LSN)
    std::int32_t last = 0;  // last sector (LSN), inclusive
    std::int32_t sectors() const { return last - first + 1; }
};

class Disc {
public:
    // Nothing when libcdio cannot open the source or finds no tracks on it.
    static std::optional<Disc> open(const Source& source);

    const std::vector<TrackEntry>& tracks() const { return tracks_; }
    // The audio track at 0-based position `index` among the audio tracks.
    std::optional<TrackEntry> audioTrack(int index) const;
    // True when the medium holds every sector of the track (an image may be cut short).
    bool sectorsPresent(const TrackEntry& track) const;
    // CD-Text in UTF-8; `track` 0 is the disc; kind = pack type - 0x80. Nothing when absent.
    std::optional<std::string> cdText(int track, int kind) const;
    // The volume label and file system name of the first data track ("CDDA" for an audio-only
    // disc); empty when unknown.
    std::string volumeName() const;
    std::string fileSystemName() const;
    bool isImage() const;

    CdIo_t* cdio() const { return cdio_.get(); }

private:
    CdioPtr cdio_;
    int driver_ = 0;
    std::vector<TrackEntry> tracks_;
};

} // namespace cdgrb
