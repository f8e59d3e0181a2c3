// Sources on a disc: the volume layer pushes a file's bytes to a callback, the image writer
// pulls them, so a reader thread feeds a small bounded queue between the two.
#include "DiscSource.h"

#include "discengine/Errors.h"
#include "discengine/Volume.h"
#include "isofs/Errors.h"

#include <array>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>
#include <unistd.h>

namespace discengine::data {
namespace {

constexpr std::size_t kQueueBytes = 8u << 20;

class VolumeReader final : public isofs::SourceReader {
public:
    VolumeReader(std::shared_ptr<IDiscVolume> volume, std::string path, std::string display,
                 std::uint64_t size)
        : volume_(std::move(volume)), path_(std::move(path)), display_(std::move(display)),
          size_(size) {
        thread_ = std::thread([this] { Produce(); });
    }
    ~VolumeReader() override {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        changed_.notify_all();
        thread_.join();
    }

    std::size_t read(void* buffer, std::size_t bytes) override {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return !chunks_.empty() || finished_; });
        if (chunks_.empty()) {
            if (!error_.empty())
                throw isofs::SourceError(display_, errnum_, error_);
            return 0;
        }
        std::size_t n = 0;
        auto* out = static_cast<char*>(buffer);
        while (n < bytes && !chunks_.empty()) {
            const std::string& front = chunks_.front();
            std::size_t take = std::min(bytes - n, front.size() - offset_);
            std::memcpy(out + n, front.data() + offset_, take);
            n += take;
            offset_ += take;
            if (offset_ == front.size()) {
                queued_ -= front.size();
                chunks_.pop_front();
                offset_ = 0;
            }
        }
        position_ += n;
        changed_.notify_all();
        return n;
    }
    std::uint64_t size() const override { return size_; }
    std::uint64_t position() const override { return position_; }

private:
    void Produce() {
        std::string error;
        int errnum = EIO;
        try {
            volume_->ReadFile(path_, [&](const char* data, std::size_t size) {
                std::unique_lock lock(mutex_);
                changed_.wait(lock, [&] { return stop_ || queued_ < kQueueBytes; });
                if (stop_)
                    return false;
                chunks_.emplace_back(data, size);
                queued_ += size;
                changed_.notify_all();
                return true;
            });
        } catch (const MediumGoneError& e) {
            error = e.what();
            errnum = ENOMEDIUM; // tells the job that every further file would fail too
        } catch (const std::exception& e) {
            error = e.what();
        }
        std::lock_guard lock(mutex_);
        error_ = error;
        errnum_ = errnum;
        finished_ = true;
        changed_.notify_all();
    }

    std::shared_ptr<IDiscVolume> volume_;
    std::string path_, display_;
    std::uint64_t size_;
    std::uint64_t position_ = 0;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::string> chunks_; // what the volume produced, not yet read
    std::size_t offset_ = 0;         // into chunks_.front()
    std::size_t queued_ = 0;
    bool stop_ = false, finished_ = false;
    std::string error_;
    int errnum_ = EIO;
    std::thread thread_;
};

// A file that lies in one piece in the disc's image: read with positioned reads and copied in
// the kernel, on the caller's thread. The volume is asked between pieces whether the disc is
// still there, as its own reads do.
class NativeExtentReader final : public isofs::SourceReader {
public:
    NativeExtentReader(std::shared_ptr<IDiscVolume> volume, NativeExtent extent,
                       std::string display)
        : volume_(std::move(volume)), extent_(extent), display_(std::move(display)) {}

    std::size_t read(void* buffer, std::size_t bytes) override {
        const std::uint64_t left = extent_.bytes - position_;
        if (left == 0)
            return 0;
        if (position_ > 0) // the open has just looked
            Check();
        const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(bytes, left));
        for (;;) {
            const ssize_t n =
                ::pread(extent_.fd, buffer, want, static_cast<off_t>(extent_.offset + position_));
            if (n > 0) {
                position_ += static_cast<std::uint64_t>(n);
                return static_cast<std::size_t>(n);
            }
            if (n < 0 && errno == EINTR)
                continue;
            const int errnum = n < 0 ? errno : EIO;
            Check(); // an image cut short is the disc gone
            throw isofs::SourceError(display_, errnum, "Read error in " + display_);
        }
    }
    std::uint64_t size() const override { return extent_.bytes; }
    std::uint64_t position() const override { return position_; }
    int nativeFd() const override { return extent_.fd; }
    std::uint64_t nativeOffset() const override { return extent_.offset + position_; }
    void advance(std::uint64_t bytes) override {
        position_ += bytes;
        Check();
    }
    bool wholeBlocks() const override { return extent_.wholeBlocks && position_ == 0; }

private:
    void Check() const {
        try {
            volume_->CheckMedium();
        } catch (const MediumGoneError& e) {
            throw isofs::SourceError(display_, ENOMEDIUM, e.what());
        }
    }

    std::shared_ptr<IDiscVolume> volume_;
    NativeExtent extent_;
    std::string display_;
    std::uint64_t position_ = 0;
};

class EngineSourceOpener final : public isofs::SourceOpener {
private:
    // Calls use with the drive's volume. A watched volume is kept for the next sources: an image
    // of thousands of files from one disc asked the drive for it per file, and each use checks
    // its disc anyway. When a kept volume finds its disc gone, the drive is asked again for what
    // it holds now, and use is called once more.
    template <typename Use>
    auto OnVolume(const DrivePath& drivePath, const std::string& full, Use&& use) const {
        const auto slot = static_cast<unsigned char>(drivePath.letter);
        std::shared_ptr<IDiscVolume> kept;
        {
            std::lock_guard lock(keptMutex_);
            kept = kept_[slot];
        }
        if (kept) {
            try {
                return use(kept);
            } catch (const MediumGoneError&) {
            } catch (const isofs::SourceError& e) {
                if (e.errnum() != ENOMEDIUM)
                    throw;
            }
        }
        SourceVolume found = volumes_ ? volumes_(drivePath.letter) : SourceVolume{};
        {
            std::lock_guard lock(keptMutex_);
            kept_[slot] = found.watched ? found.volume : nullptr;
        }
        if (!found.volume)
            throw isofs::SourceError(full, ENODEV,
                                     std::string("There is no drive ") + drivePath.letter + ":");
        return use(std::move(found.volume));
    }

public:
    explicit EngineSourceOpener(SourceVolumeLookup volumes) : volumes_(std::move(volumes)) {}

    isofs::SourceInfo stat(const std::string& path) const override {
        auto drivePath = ParseDrivePath(path);
        if (!drivePath)
            return native_.stat(path);
        isofs::SourceInfo info;
        try {
            auto entry = OnVolume(*drivePath, path, [&](const std::shared_ptr<IDiscVolume>& v) {
                return v->Stat(drivePath->path);
            });
            if (!entry)
                return info;
            info.exists = true;
            info.isFolder = entry->isFolder;
            info.size = entry->size;
            info.problem = entry->problem.empty() ? "" : path + ": " + entry->problem;
            info.modified =
                std::chrono::duration_cast<std::chrono::seconds>(entry->created.time_since_epoch())
                    .count();
        } catch (const std::exception& e) {
            // The disc cannot say: the path is not usable, and the reason is the disc's.
            info.exists = true;
            info.problem = path + ": " + e.what();
        }
        return info;
    }

    std::unique_ptr<isofs::SourceReader> open(const std::string& path) const override {
        auto drivePath = ParseDrivePath(path);
        if (!drivePath)
            return native_.open(path);
        try {
            return OnVolume(*drivePath, path, [&](std::shared_ptr<IDiscVolume> v) {
                return OpenVolumeFile(std::move(v), drivePath->path, path);
            });
        } catch (const isofs::SourceError&) {
            throw;
        } catch (const MediumGoneError& e) {
            throw isofs::SourceError(path, ENOMEDIUM, e.what());
        } catch (const std::exception& e) {
            throw isofs::SourceError(path, EIO, e.what());
        }
    }

private:
    SourceVolumeLookup volumes_;
    isofs::NativeSourceOpener native_;
    mutable std::mutex keptMutex_;
    mutable std::array<std::shared_ptr<IDiscVolume>, 256> kept_; // by drive letter
};

} // namespace

std::unique_ptr<isofs::SourceReader> OpenVolumeFile(std::shared_ptr<IDiscVolume> volume,
                                                    const std::string& path,
                                                    const std::string& display) {
    // A file in one piece of the disc's image (most files of a data disc) is found with one
    // look; for any other answer Stat tells what the file is, or why it cannot be read.
    try {
        if (auto native = volume->NativeExtentOf(path))
            return std::make_unique<NativeExtentReader>(std::move(volume), *native, display);
    } catch (const MediumGoneError& e) {
        throw isofs::SourceError(display, ENOMEDIUM, e.what());
    } catch (const std::exception& e) {
        throw isofs::SourceError(display, EIO, e.what());
    }
    std::optional<VolumeEntry> entry;
    try {
        entry = volume->Stat(path);
    } catch (const MediumGoneError& e) {
        throw isofs::SourceError(display, ENOMEDIUM, e.what());
    } catch (const std::exception& e) {
        throw isofs::SourceError(display, EIO, e.what());
    }
    if (!entry || entry->isFolder)
        throw isofs::SourceError(display, ENOENT, "The file " + display + " is not on the disc");
    if (!entry->problem.empty())
        throw isofs::SourceError(display, EIO, display + ": " + entry->problem);
    return std::make_unique<VolumeReader>(std::move(volume), path, display, entry->size);
}

std::shared_ptr<const isofs::SourceOpener> MakeEngineSourceOpener(SourceVolumeLookup volumes) {
    return std::make_shared<EngineSourceOpener>(std::move(volumes));
}

} // namespace discengine::data
