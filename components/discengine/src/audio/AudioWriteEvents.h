#pragma once

#include "../EngineShared.h"

#include <cstdint>
#include <filesystem>
#include <memory>

// What every audio write shares, whatever records it (the store's recorder or a real drive):
// the events the listener hears and the private folder cached tracks live in.
namespace discengine::audioimage {

// Raises OnWriteStatus with the image's and the track's progress; remembers a cancel the
// listener answered with.
class AudioWriteEvents {
public:
    AudioWriteEvents(std::shared_ptr<ListenerHub> hub, std::int32_t imageId,
                     std::int32_t trackCount)
        : hub_(std::move(hub)), imageId_(imageId), trackCount_(trackCount) {}

    std::int64_t imageTotal = 0, imageDone = 0; // frames

    void Status(std::int32_t status, std::int32_t track = 0, std::int64_t trackDone = 0,
                std::int64_t trackTotal = 0);
    bool ListenerCancelled() const { return listenerCancel_; }
    ListenerHub& Hub() { return *hub_; }
    std::int32_t ImageId() const { return imageId_; }

private:
    std::shared_ptr<ListenerHub> hub_;
    std::int32_t imageId_, trackCount_;
    bool listenerCancel_ = false;
};

// A private folder for cached tracks, removed with everything in it. Throws
// std::runtime_error when it cannot be made.
class CacheFolder {
public:
    CacheFolder();
    ~CacheFolder();
    CacheFolder(const CacheFolder&) = delete;
    CacheFolder& operator=(const CacheFolder&) = delete;
    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

} // namespace discengine::audioimage
