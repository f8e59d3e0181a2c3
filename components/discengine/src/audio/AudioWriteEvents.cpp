#include "AudioWriteEvents.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace fs = std::filesystem;

namespace discengine::audioimage {

void AudioWriteEvents::Status(std::int32_t status, std::int32_t track, std::int64_t trackDone,
                              std::int64_t trackTotal) {
    auto percent = [](std::int64_t done, std::int64_t total) {
        return static_cast<std::int32_t>(total > 0 ? std::min<std::int64_t>(100, done * 100 / total)
                                                   : 0);
    };
    bool cancel = false;
    hub_->Emit([&](IEngineListener& l) {
        l.OnWriteStatus(imageId_, percent(imageDone, imageTotal),
                        static_cast<std::int32_t>(imageDone), static_cast<std::int32_t>(imageTotal),
                        track, trackCount_, percent(trackDone, trackTotal),
                        static_cast<std::int32_t>(trackDone), static_cast<std::int32_t>(trackTotal),
                        status, cancel);
    });
    listenerCancel_ = listenerCancel_ || cancel;
}

CacheFolder::CacheFolder() {
    std::string pattern = (fs::temp_directory_path() / "platterly-cache-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("Cannot cache the tracks in " +
                                 fs::temp_directory_path().string() + ": " + std::strerror(errno));
    path_ = pattern;
}

CacheFolder::~CacheFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

} // namespace discengine::audioimage
