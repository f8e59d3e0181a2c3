#include "preview/TrackStreamer.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace preview {

TrackStreamer::TrackStreamer(const CddaDisc& disc, std::int64_t firstSample, std::int64_t endSample,
                             MediumCheck stillThere)
    : disc_(disc), stillThere_(std::move(stillThere)), ring_(kCapacity) {
    worker_ = std::thread([this, firstSample, endSample] { Run(firstSample, endSample); });
}

TrackStreamer::~TrackStreamer() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    space_.notify_all();
    worker_.join();
}

void TrackStreamer::Run(std::int64_t firstSample, std::int64_t endSample) {
    std::vector<char> buffer(kChunkSectors * kSectorBytes);
    auto lsn = static_cast<std::int32_t>(firstSample / kSamplesPerSector);
    // A start inside a sector drops the samples before it; the end may cut the last sector.
    std::size_t skip = static_cast<std::size_t>(firstSample % kSamplesPerSector) * kBytesPerSample;
    std::int64_t left = (endSample - firstSample) * kBytesPerSample;
    auto lastCheck = std::chrono::steady_clock::now();
    auto fail = [this](std::string why) {
        std::lock_guard lock(mutex_);
        failure_ = std::move(why);
    };
    while (left > 0) {
        const auto now = std::chrono::steady_clock::now();
        if (stillThere_ && now - lastCheck >= std::chrono::seconds(1)) {
            lastCheck = now;
            if (!stillThere_())
                return fail("The disc was taken out of the drive or can no longer be read");
        }
        const std::int64_t wanted = left + static_cast<std::int64_t>(skip);
        const auto count = static_cast<std::uint32_t>(
            std::min<std::int64_t>(kChunkSectors, (wanted + kSectorBytes - 1) / kSectorBytes));
        if (!disc_.ReadSectors(lsn, count, buffer.data()))
            return fail("Sector " + std::to_string(lsn) + " of the disc cannot be read");
        const auto usable =
            std::min<std::int64_t>(left, static_cast<std::int64_t>(count) * kSectorBytes -
                                             static_cast<std::int64_t>(skip));
        if (!Push(buffer.data() + skip, static_cast<std::size_t>(usable)))
            return;
        left -= usable;
        skip = 0;
        lsn += static_cast<std::int32_t>(count);
    }
    std::lock_guard lock(mutex_);
    readerDone_ = true;
}

bool TrackStreamer::Push(const char* data, std::size_t size) {
    while (size > 0) {
        std::unique_lock lock(mutex_);
        space_.wait(lock, [&] { return stop_ || size_ < ring_.size(); });
        if (stop_)
            return false;
        const std::size_t tail = (head_ + size_) % ring_.size();
        const std::size_t room = ring_.size() - size_;
        const std::size_t n = std::min({size, room, ring_.size() - tail});
        std::memcpy(ring_.data() + tail, data, n);
        size_ += n;
        data += n;
        size -= n;
    }
    return true;
}

std::int64_t TrackStreamer::Take(char* out, std::int64_t max) {
    std::size_t taken = 0;
    {
        std::lock_guard lock(mutex_);
        auto wanted = static_cast<std::size_t>(std::max<std::int64_t>(max, 0));
        wanted = std::min(wanted, size_) / kBytesPerSample * kBytesPerSample;
        while (taken < wanted) {
            const std::size_t n = std::min(wanted - taken, ring_.size() - head_);
            std::memcpy(out + taken, ring_.data() + head_, n);
            head_ = (head_ + n) % ring_.size();
            size_ -= n;
            taken += n;
        }
    }
    if (taken > 0)
        space_.notify_all();
    return static_cast<std::int64_t>(taken);
}

bool TrackStreamer::Finished() const {
    std::lock_guard lock(mutex_);
    return readerDone_ && size_ == 0;
}

std::optional<std::string> TrackStreamer::Failure() const {
    std::lock_guard lock(mutex_);
    if (!failure_ || size_ > 0)
        return std::nullopt;
    return failure_;
}

} // namespace preview
