#include "StreamFeed.h"

#include "isofs/Errors.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace discengine::physical {

StreamFeed::StreamFeed(std::size_t capacity) : ring_(std::max<std::size_t>(capacity, 4096)) {}

void StreamFeed::Push(const void* data, std::size_t bytes) {
    auto* in = static_cast<const unsigned char*>(data);
    std::unique_lock lock(mutex_);
    while (bytes > 0) {
        changed_.wait(lock, [&] { return closed_ || fill_ < ring_.size(); });
        if (closed_)
            throw isofs::OutputError(EPIPE, "the drive stopped taking data");
        std::size_t tail = (head_ + fill_) % ring_.size();
        std::size_t n = std::min({bytes, ring_.size() - fill_, ring_.size() - tail});
        std::memcpy(ring_.data() + tail, in, n);
        fill_ += n;
        in += n;
        bytes -= n;
        changed_.notify_all();
    }
}

void StreamFeed::Finish(bool complete) {
    std::lock_guard lock(mutex_);
    finished_ = true;
    complete_ = complete;
    changed_.notify_all();
}

int StreamFeed::Pull(unsigned char* buffer, int size) {
    if (size <= 0)
        return 0;
    auto wanted = static_cast<std::size_t>(size);
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return closed_ || finished_ || fill_ >= wanted; });
    if (closed_ || (finished_ && !complete_))
        return -1;
    std::size_t n = std::min(wanted, fill_);
    for (std::size_t done = 0; done < n;) {
        std::size_t chunk = std::min(n - done, ring_.size() - head_);
        std::memcpy(buffer + done, ring_.data() + head_, chunk);
        head_ = (head_ + chunk) % ring_.size();
        done += chunk;
    }
    fill_ -= n;
    pulled_ += n;
    changed_.notify_all();
    return static_cast<int>(n);
}

void StreamFeed::Close() {
    std::lock_guard lock(mutex_);
    closed_ = true;
    changed_.notify_all();
}

std::uint64_t StreamFeed::BytesPulled() const {
    std::lock_guard lock(mutex_);
    return pulled_;
}

namespace {

struct SourceData {
    std::shared_ptr<StreamFeed> feed;
    off_t size;
};

SourceData& DataOf(burn_source* s) {
    return *static_cast<SourceData*>(s->data);
}

int ReadFeed(burn_source* s, unsigned char* buffer, int size) {
    return DataOf(s).feed->Pull(buffer, size);
}
off_t SizeOf(burn_source* s) {
    return DataOf(s).size;
}
int SetSize(burn_source* s, off_t size) {
    DataOf(s).size = size; // libburn pads or truncates to it itself
    return 1;
}
int CancelFeed(burn_source* s) {
    DataOf(s).feed->Close();
    return 1;
}
void FreeFeed(burn_source* s) {
    DataOf(s).feed->Close();
    delete static_cast<SourceData*>(s->data);
    s->data = nullptr;
}

} // namespace

burn_source* MakeFeedSource(std::shared_ptr<StreamFeed> feed, off_t bytes) {
    // libburn releases the struct itself with free(), so it is allocated the C way.
    auto* source = static_cast<burn_source*>(std::calloc(1, sizeof(burn_source)));
    if (!source)
        return nullptr;
    source->refcount = 1;
    source->read = nullptr; // version 1: read_xt and cancel
    source->version = 1;
    source->read_xt = ReadFeed;
    source->cancel = CancelFeed;
    source->get_size = SizeOf;
    source->set_size = SetSize;
    source->free_data = FreeFeed;
    source->data = new SourceData{std::move(feed), bytes};
    return source;
}

} // namespace discengine::physical
