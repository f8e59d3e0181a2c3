#pragma once

#include "preview/CddaDisc.h"

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace preview {

// Reads a stretch of a track's samples on a worker thread into a bounded queue the audio
// output drains. A sector that cannot be read, or a medium that left the drive, ends the
// stream with a reason once the samples read before it have been taken.
class TrackStreamer {
public:
    // Tells whether the medium the disc was opened from is still in its drive; asked about once
    // a second from the worker thread.
    using MediumCheck = std::function<bool()>;

    // Samples are counted from the start of the disc; `end` is one past the last sample.
    TrackStreamer(const CddaDisc& disc, std::int64_t firstSample, std::int64_t endSample,
                  MediumCheck stillThere);
    ~TrackStreamer();
    TrackStreamer(const TrackStreamer&) = delete;
    TrackStreamer& operator=(const TrackStreamer&) = delete;

    // Moves up to `max` bytes (whole samples) out of the queue; 0 when nothing is ready.
    std::int64_t Take(char* out, std::int64_t max);
    // Every sample up to the end was read and taken.
    bool Finished() const;
    // Why the stream stopped early, once the samples before the fault have been taken.
    std::optional<std::string> Failure() const;
    // Finished or failed: nothing more will come.
    bool Exhausted() const { return Finished() || Failure().has_value(); }

private:
    void Run(std::int64_t firstSample, std::int64_t endSample);
    // Blocks while the queue is full; false when the stream is being torn down.
    bool Push(const char* data, std::size_t size);

    static constexpr std::size_t kCapacity = 75 * kSectorBytes; // one second
    static constexpr std::uint32_t kChunkSectors = 8;

    const CddaDisc& disc_;
    MediumCheck stillThere_;
    mutable std::mutex mutex_;
    std::condition_variable space_;
    std::vector<char> ring_;
    std::size_t head_ = 0; // next byte to take
    std::size_t size_ = 0; // bytes queued
    bool readerDone_ = false;
    std::optional<std::string> failure_;
    bool stop_ = false;
    std::thread worker_;
};

} // namespace preview
