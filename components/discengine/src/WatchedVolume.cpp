// A virtual drive's volume that notices when its disc leaves the drive. A real drive fails its
// reads once the disc is out; an image file stays readable through an open handle after the
// store removed or replaced it, so without this a read would go on copying a disc that is gone.
#include "DriveState.h"
#include "StoreFiles.h"
#include "VolumeCommon.h"
#include "discengine/Errors.h"

#include <algorithm>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace discengine::volume {
namespace {

class MediumWatch {
public:
    // `neededBytes`: what the disc's data tracks take of the image.
    MediumWatch(fs::path driveIni, const fs::path& payload, off_t neededBytes)
        : driveIni_(std::move(driveIni)), needed_(neededBytes) {
        // The image as it is now: removing or replacing it leaves this inode without a name.
        payload_.reset(::open(payload.c_str(), O_RDONLY | O_CLOEXEC));
        if (!payload_)
            throw MediumGoneError("The disc is no longer in the drive");
        Check();
    }

    // Throws MediumGoneError when the tray was opened, the disc's image was removed or replaced
    // since the volume was opened, or it was cut short of the disc's tracks. A read of thousands
    // of files checks before each one: the image and drive.ini are looked at through open
    // handles, and drive.ini is read again only when it was replaced or written.
    void Check() const {
        std::lock_guard lock(mutex_);
        struct stat st {};
        if (::fstat(payload_.get(), &st) != 0 || st.st_nlink == 0)
            throw MediumGoneError("The disc is no longer in the drive");
        if (st.st_size < needed_)
            throw MediumGoneError("The disc can no longer be read to its end");
        if (!iniFd_ || ::fstat(iniFd_.get(), &st) != 0 || st.st_nlink == 0 || !SameIni(st))
            LookAtIni();
        if (trayOpen_)
            throw MediumGoneError("The drive's tray was opened");
    }

private:
    bool SameIni(const struct stat& st) const {
        return st.st_ino == iniInode_ && st.st_mtim.tv_sec == iniSeconds_ &&
               st.st_mtim.tv_nsec == iniNanoseconds_;
    }

    // drive.ini is replaced by a rename on every change: read it again only then.
    void LookAtIni() const {
        iniFd_.reset(-1);
        struct stat st {};
        if (::stat(driveIni_.c_str(), &st) != 0)
            throw MediumGoneError("The drive is gone");
        if (!SameIni(st)) {
            try {
                trayOpen_ = ParseDriveIni(storefiles::ReadSmallFile(driveIni_)).trayOpen;
            } catch (const EngineError&) {
                trayOpen_ = false; // a drive.ini being rewritten: the next look decides
                return;
            }
            iniInode_ = st.st_ino;
            iniSeconds_ = st.st_mtim.tv_sec;
            iniNanoseconds_ = st.st_mtim.tv_nsec;
        }
        // Held for the next looks; one replaced since the stat above differs from what was
        // read, so the next look reads again.
        iniFd_.reset(::open(driveIni_.c_str(), O_RDONLY | O_CLOEXEC));
    }

    fs::path driveIni_;
    UniqueFd payload_;
    off_t needed_ = 0;
    mutable std::mutex mutex_;
    mutable UniqueFd iniFd_; // the drive.ini last read; closed while it cannot be read
    mutable ino_t iniInode_ = 0;
    mutable time_t iniSeconds_ = 0;
    mutable long iniNanoseconds_ = 0;
    mutable bool trayOpen_ = false;
};

class WatchedVolume final : public IDiscVolume {
public:
    WatchedVolume(std::shared_ptr<IDiscVolume> inner, std::unique_ptr<MediumWatch> watch)
        : inner_(std::move(inner)), watch_(std::move(watch)) {}

private:
    // A failure of the disc's own reads is the disc leaving when the watch says so.
    template <typename F> auto Watched(F&& call) const {
        watch_->Check();
        try {
            return call();
        } catch (const MediumGoneError&) {
            throw;
        } catch (const EngineError&) {
            watch_->Check();
            throw;
        }
    }

public:
    std::string Label() const override { return inner_->Label(); }
    std::uint64_t TotalSize() const override { return inner_->TotalSize(); }
    std::vector<VolumeEntry> List(const std::string& folder) const override {
        return Watched([&] { return inner_->List(folder); });
    }
    std::optional<VolumeEntry> Stat(const std::string& path) const override {
        return Watched([&] { return inner_->Stat(path); });
    }
    bool ReadFile(const std::string& path,
                  const std::function<bool(const char*, std::size_t)>& sink) const override {
        return Watched([&] {
            return inner_->ReadFile(path, [&](const char* data, std::size_t size) {
                watch_->Check();
                return sink(data, size);
            });
        });
    }
    void CopyFile(const std::string& path, const fs::path& target) const override {
        CopyThroughTemp(*this, path, target);
    }
    // The extent's reader looks again between pieces.
    std::optional<NativeExtent> NativeExtentOf(const std::string& path) const override {
        return Watched([&] { return inner_->NativeExtentOf(path); });
    }
    void CheckMedium() const override { watch_->Check(); }

private:
    std::shared_ptr<IDiscVolume> inner_;
    std::unique_ptr<MediumWatch> watch_;
};

} // namespace

std::shared_ptr<IDiscVolume> OpenWatchedVolume(const DriveState& state, const VolumeOpener& open) {
    if (!state.medium || state.medium->dataPayload.empty())
        return open(state); // an audio disc, or no disc: nothing is read from an image
    off_t needed = 0;
    for (const auto& track : state.medium->tracks)
        if (!track.audio)
            needed = std::max<off_t>(needed, (off_t{track.start} + track.blocks) * 2048);
    auto watch = std::make_unique<MediumWatch>(state.folder / "drive.ini",
                                               state.folder / state.medium->dataPayload, needed);
    return std::make_shared<WatchedVolume>(open(state), std::move(watch));
}

} // namespace discengine::volume
