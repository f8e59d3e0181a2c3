#pragma once

#include "BurnSession.h"
#include "PhysicalDevice.h"
#include "StreamFeed.h"
#include "audio/AudioWriteJob.h"

#include <memory>
#include <string>
#include <vector>

// Audio CDs on physical drives: the audio image's tracks as libburn audio tracks, read from
// the source WAV files while the drive writes, with CD-Text in the lead-in.
namespace discengine::physical {

// One track's PCM as the drive takes it: the source's samples from `offset`, `available`
// bytes of them, then silence up to `total` bytes (whole frames, at least the shortest track a
// recorder accepts). A source that ends early is read as silence, never as garbage.
burn_source* MakeTrackSource(std::shared_ptr<SourceFile> file, std::int64_t offset,
                             std::int64_t available, std::int64_t total);

// The CD-Text the disc carries, as UTF-8; empty texts are left out.
struct AudioDiscText {
    std::string album, albumPerformer;
    struct Track {
        std::string title, performer;
    };
    std::vector<Track> tracks;
    bool Empty() const;
};
AudioDiscText DiscTextOf(const audioimage::AudioWritePlan& plan);

// CD-Text lives in the lead-in, which only a session-at-once write lays down: a compilation
// with text is written that way, with 2 s gaps before each track when track-at-once was chosen,
// so the disc's layout is the one the user asked for.
bool WritesSessionAtOnce(const audioimage::AudioWritePlan& plan);

// The disc libburn writes: one session of audio tracks in play order, each fed from `sources`
// (one per track, same order), pregaps as the plan's layout has them, CD-Text in block 0 as
// Latin-1.
struct AudioDiscLayout {
    BurnDiscPtr disc;
    BurnSessionPtr session;
    std::vector<BurnTrackPtr> tracks;
};
AudioDiscLayout LayoutAudioDisc(const audioimage::AudioWritePlan& plan,
                                const std::vector<burn_source*>& sources);

// The write job body (worker thread): checks the drive and the medium, opens every source,
// writes, and reports through the listener as the store's audio write does.
void RunPhysicalAudioWrite(const audioimage::AudioWritePlan& plan,
                           const std::shared_ptr<PhysicalShared>& drive,
                           const std::shared_ptr<ListenerHub>& hub, const CancelToken& cancel);

} // namespace discengine::physical
