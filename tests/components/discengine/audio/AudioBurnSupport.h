#pragma once

#include "discengine/Engine.h"
#include "discengine/VirtualStore.h"
#include "support/TempDir.h"

#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace audioburn {

// A 44.1 kHz 16-bit stereo WAV of `frames` sample frames of deterministic noise-like music.
std::string CdWavBytes(std::int64_t sampleFrames, std::uint32_t seed);
// Its PCM only (what a disc must hold).
std::string PcmOf(const std::string& wavBytes);

// One recorded OnWriteStatus / OnWriteError / OnTrackFileWarning.
struct Event {
    int status = -1; // -1 error, -2 warning
    int imageProgress = 0, currentTrack = 0, trackCount = 0, trackProgress = 0;
    std::string text;
};

class Recorder : public discengine::IEngineListener {
public:
    void OnWriteStatus(std::int32_t, std::int32_t imageProgress, std::int32_t, std::int32_t,
                       std::int32_t currentTrack, std::int32_t trackCount,
                       std::int32_t trackProgress, std::int32_t, std::int32_t, std::int32_t status,
                       bool& cancel) override;
    void OnWriteError(std::int32_t, std::shared_ptr<discengine::IWriteErrorX> error) override;
    void OnTrackFileWarning(std::int32_t, std::shared_ptr<discengine::IFileErrorX> error,
                            std::int32_t track, bool& ignore) override;
    std::vector<Event> Events();
    // The final status (9, 10 or 11) of the next job that has not been waited for.
    int WaitEnd();

    bool ignoreWarnings = false;
    std::function<void(const Event&, bool& cancel)> hook;

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Event> events_;
    std::size_t consumedEnds_ = 0;
};

// An engine on a fresh default store (E: a recorder with a blank 80-minute CD-RW).
struct Fixture {
    testsupport::TempDir dir;
    std::unique_ptr<discengine::IDVDEngineX> engine;
    Recorder recorder;
    Fixture();
    ~Fixture();
    discengine::VirtualStore Store() { return discengine::VirtualStore(dir / "drives"); }
    std::filesystem::path Write(const std::string& name, const std::string& bytes);
};

// What libcdio reads from a burned drive folder's disc.cue.
struct DiscRead {
    int tracks = 0;
    std::vector<int> lengths;     // cdio_get_track_sec_count
    std::vector<int> starts;      // LSN of INDEX 01
    std::vector<std::string> pcm; // each track's sectors, as read
    std::vector<std::string> titles;
};
DiscRead ReadDisc(const std::filesystem::path& cue);

// Runs a command; its exit code (-1 when it did not exit), output into `output`.
int RunCommand(const std::string& command, std::string* output = nullptr);

} // namespace audioburn
