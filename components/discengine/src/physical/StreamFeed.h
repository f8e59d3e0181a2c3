#pragma once

#include "Libburn.h"

#include "isofs/Sink.h"

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

// The bytes of an image handed from the thread that makes them (our image writer, pushing) to
// libburn (pulling one sector at a time), through a bounded ring buffer: nothing touches the
// disk in between and memory stays the buffer's size whatever the image's.
namespace discengine::physical {

class StreamFeed {
public:
    explicit StreamFeed(std::size_t capacity = 8u << 20);

    // Producer: blocks while the buffer is full; throws isofs::OutputError once the consumer
    // has gone (libburn failed or was cancelled), which ends the image writer.
    void Push(const void* data, std::size_t bytes);
    // Producer: no more bytes. complete = false makes the consumer fail instead of seeing the
    // end, so a broken image never reads as a short, good one.
    void Finish(bool complete);

    // Consumer: fills `size` bytes, or fewer only at the end; 0 at the end, -1 on failure.
    int Pull(unsigned char* buffer, int size);
    // Consumer: stops reading; a blocked producer is released.
    void Close();
    std::uint64_t BytesPulled() const;

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<unsigned char> ring_;
    std::size_t head_ = 0, fill_ = 0; // read position and bytes held
    bool finished_ = false, complete_ = false, closed_ = false;
    std::uint64_t pulled_ = 0;
};

// The producer's side as the image writer's output.
class FeedSink final : public isofs::OutputSink {
public:
    explicit FeedSink(StreamFeed& feed) : feed_(feed) {}
    void write(const void* data, std::size_t bytes) override { feed_.Push(data, bytes); }

private:
    StreamFeed& feed_;
};

// A libburn data source of `bytes` bytes reading from the feed; libburn frees it with
// burn_source_free.
burn_source* MakeFeedSource(std::shared_ptr<StreamFeed> feed, off_t bytes);

struct BurnSourceFree {
    void operator()(burn_source* s) const { burn_source_free(s); }
};
using BurnSourcePtr = std::unique_ptr<burn_source, BurnSourceFree>;

} // namespace discengine::physical
