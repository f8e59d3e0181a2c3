#pragma once

#include "../EngineShared.h"
#include "CdWav.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace discengine::audioimage {

// A track as the image holds it: the WAV found at insert time and its CD-Text title.
struct ImageTrack {
    CdWav wav;
    std::string title;
    std::string performer;
};

// Everything a write needs, copied when it starts: later edits of the image do not touch it.
struct AudioWritePlan {
    std::int32_t imageId = 0;
    std::vector<ImageTrack> tracks;
    std::string discTitle, discPerformer;
    bool trackAtOnce = true; // 2 s gaps between tracks; disc-at-once writes them back to back
    std::int32_t speedKBs = 0;
    bool cacheFiles = false;
    bool testMode = false;
    bool finalize = true;
    bool bufferProtect = false; // a physical drive that can guards against running dry
};

// Frames the tracks take on the disc, with the 2 s pregap of track 1 and, track-at-once, the
// 2 s gap before every further track.
std::int32_t TotalFrames(const std::vector<ImageTrack>& tracks, bool trackAtOnce);

// The write job body (runs on a worker thread): checks the medium and the sources, writes the
// BIN and cue sheet into the drive's store and reports every step through the listener.
void RunAudioWrite(const AudioWritePlan& plan, const std::shared_ptr<DriveShared>& drive,
                   const std::shared_ptr<ListenerHub>& hub, const CancelToken& cancel);

} // namespace discengine::audioimage
