#pragma once

#include "engine/TestStore.h"
#include "preview/CdAudioPlayer.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// A store whose D: holds a pressed audio CD with tracks of the given lengths (frames), its BIN
// filled with deterministic noise so every sample is distinct from its neighbours.
class PreviewDisc {
public:
    explicit PreviewDisc(std::vector<std::int32_t> trackFrames);
    TestStore& Store() { return store_; }
    std::filesystem::path Cue() const;
    std::filesystem::path Bin() const;
    // Track n (1-based) as libcdio reads it from the cue sheet, independently of the player.
    std::string TrackPcm(int track) const;

private:
    TestStore store_;
    std::filesystem::path folder_;
};

// Runs the event loop until `done` holds; false when a minute passes first (a hang guard, not a
// measurement).
template <typename F> bool RunUntil(F done) {
    QDeadlineTimer deadline(60000);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

// What the player handed to its output, as the runs of samples it handed them in.
struct Tap {
    struct Run {
        std::int64_t firstSample;
        std::string pcm;
    };
    std::vector<Run> runs;
    void Attach(preview::CdAudioPlayer& player) {
        player.SetPcmTap([this](std::int64_t first, const char* data, std::int64_t bytes) {
            if (!runs.empty() &&
                runs.back().firstSample + std::int64_t(runs.back().pcm.size()) / 4 == first)
                runs.back().pcm.append(data, static_cast<std::size_t>(bytes));
            else
                runs.push_back({first, std::string(data, static_cast<std::size_t>(bytes))});
        });
    }
    std::int64_t Bytes() const {
        std::int64_t n = 0;
        for (const auto& r : runs)
            n += std::int64_t(r.pcm.size());
        return n;
    }
};
