#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <vector>

// A bounded hand-over of PCM chunks from the reading thread to the encoding thread, so reading
// the next sectors overlaps encoding the last ones.
namespace cdgrb {

class ChunkQueue {
public:
    using Chunk = std::vector<std::int16_t>;
    explicit ChunkQueue(std::size_t capacity) : capacity_(capacity) {}

    // False when the queue was stopped (the chunk is dropped).
    bool push(Chunk chunk) {
        std::unique_lock lock(mutex_);
        notFull_.wait(lock, [&] { return stopped_ || chunks_.size() < capacity_; });
        if (stopped_)
            return false;
        chunks_.push_back(std::move(chunk));
        notEmpty_.notify_one();
        return true;
    }

    // The next chunk; nothing once the producer has closed and all is taken, or on stop.
    std::optional<Chunk> pop() {
        std::unique_lock lock(mutex_);
        notEmpty_.wait(lock, [&] { return stopped_ || closed_ || !chunks_.empty(); });
        if (stopped_ || chunks_.empty())
            return std::nullopt;
        Chunk chunk = std::move(chunks_.front());
        chunks_.pop_front();
        notFull_.notify_one();
        return chunk;
    }

    // The producer has no more chunks.
    void close() {
        std::lock_guard lock(mutex_);
        closed_ = true;
        notEmpty_.notify_all();
    }

    // Both sides give up at once.
    void stop() {
        std::lock_guard lock(mutex_);
        stopped_ = true;
        notEmpty_.notify_all();
        notFull_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable notFull_, notEmpty_;
    std::deque<Chunk> chunks_;
    std::size_t capacity_;
    bool closed_ = false;
    bool stopped_ = false;
};

} // namespace cdgrb
