#include "jobs/TCDGrabber.h"

#include "core/MultiLanguages.h"
#include "core/globals.h"
#include "ui/TextFormat.h"

#include <QMetaObject>
#include <QObject>
#include <QPointer>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <dlfcn.h>
#include <mutex>

namespace cdgrab {

void LibraryCloser::operator()(void* handle) const {
    if (handle)
        dlclose(handle);
}

std::filesystem::path DefaultLibraryPath() {
    return std::filesystem::path(globals::AddTrailingBackslash(globals::ProgramDir) +
                                 "libcdgrb.so");
}

namespace {

// Only a full path is handed to dlopen: a bare name would search the library path.
LibraryHandle OpenLibrary(const std::filesystem::path& library) {
    if (!library.is_absolute())
        return LibraryHandle{};
    return LibraryHandle{dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL)};
}

template <typename F> bool Bind(void* library, const char* name, F& entry) {
    entry = reinterpret_cast<F>(dlsym(library, name));
    return entry != nullptr;
}

} // namespace
} // namespace cdgrab

TCDGrabber::TCDGrabber() : TCDGrabber(cdgrab::DefaultLibraryPath()) {}

TCDGrabber::TCDGrabber(const std::filesystem::path& library) {
    using cdgrab::Bind;
    library_ = cdgrab::OpenLibrary(library);
    if (!library_)
        return;
    void* lib = library_.get();
    // Every entry point is looked up, so a library short of one is refused as a whole.
    bool all = Bind(lib, "GrbCreateCDGrabber", create_);
    all = Bind(lib, "GrbSetCDLetter", setLetter_) && all;
    all = Bind(lib, "GrbSetEncoderOptions", setOptions_) && all;
    all = Bind(lib, "GrbSetMonitor", setMonitor_) && all;
    all = Bind(lib, "GrbRipTrack", ripTrack_) && all;
    all = Bind(lib, "GrbAbortRip", abortRip_) && all;
    all = Bind(lib, "GrbCloseCDGrabber", close_) && all;
    if (!all)
        return;
    Bind(lib, "GrbGetTrackResult", trackResult_);
    Bind(lib, "GrbSetReadOffset", setReadOffset_);
    handle_ = create_();
    loaded_ = true;
}

TCDGrabber::~TCDGrabber() {
    if (loaded_ && handle_ != 0)
        close_(handle_);
}

std::int32_t TCDGrabber::Unusable() const {
    if (!loaded_)
        return GrbNotLoaded;
    if (handle_ == 0)
        return GrbNoHandle;
    return 0;
}

std::int32_t TCDGrabber::SetCDLetter(char letter) {
    if (auto e = Unusable())
        return e;
    return setLetter_(handle_, static_cast<unsigned char>(letter));
}

std::int32_t TCDGrabber::SetEncoderOptions(std::int32_t format, const void* record,
                                           std::int32_t size) {
    if (auto e = Unusable())
        return e;
    return setOptions_(handle_, format, record, size);
}

void TCDGrabber::SetMonitor(TGrbMonitorProc monitor) {
    if (Unusable() == 0)
        setMonitor_(handle_, monitor);
}

std::int32_t TCDGrabber::RipTrack(std::int32_t trackIndex) {
    if (auto e = Unusable())
        return e;
    return ripTrack_(handle_, trackIndex & 0xFF);
}

void TCDGrabber::AbortRip() {
    if (Unusable() == 0)
        abortRip_(handle_);
}

bool TCDGrabber::TrackResult(TGrbTrackResult& result) const {
    if (Unusable() != 0 || !trackResult_)
        return false;
    return trackResult_(handle_, &result, static_cast<std::int32_t>(sizeof result)) == CDGRB_OK;
}

bool TCDGrabber::SetReadOffset(std::int32_t samples) {
    if (Unusable() != 0 || !setReadOffset_)
        return samples == 0;
    return setReadOffset_(handle_, samples) == CDGRB_OK;
}

TCDDevice::TCDDevice(char letter) : letter_(letter) {
    Open(cdgrab::DefaultLibraryPath());
}

TCDDevice::TCDDevice(char letter, const std::filesystem::path& library) : letter_(letter) {
    Open(library);
}

void TCDDevice::Open(const std::filesystem::path& library) {
    using cdgrab::Bind;
    library_ = cdgrab::OpenLibrary(library);
    if (!library_)
        return;
    void* lib = library_.get();
    bool all = Bind(lib, "DevCreateCDDevice", create_);
    all = Bind(lib, "DevGetLetter", getLetter_) && all;
    all = Bind(lib, "DevGetSessionsCount", getSessions_) && all;
    all = Bind(lib, "DevGetVolumeName", getVolumeName_) && all;
    all = Bind(lib, "DevGetFileSystemName", getFileSystemName_) && all;
    all = Bind(lib, "DevGetTracksCount", getTracks_) && all;
    all = Bind(lib, "DevGetTrack", getTrack_) && all;
    all = Bind(lib, "DevGetCDText", getCDText_) && all;
    all = Bind(lib, "DevCloseCDDevice", close_) && all;
    if (!all)
        return;
    handle_ = create_(static_cast<unsigned char>(letter_));
    if (handle_ != 0) {
        sessions_ = getSessions_(handle_) & 0xFF;
        tracks_ = getTracks_(handle_) & 0xFF;
        // The library may fill all 32 bytes without a terminator.
        char buffer[32];
        std::memset(buffer, 0, sizeof buffer);
        getVolumeName_(handle_, buffer);
        volumeName_.assign(buffer, strnlen(buffer, sizeof buffer));
        std::memset(buffer, 0, sizeof buffer);
        getFileSystemName_(handle_, buffer);
        fileSystemName_.assign(buffer, strnlen(buffer, sizeof buffer));
    }
    loaded_ = true;
}

TCDDevice::~TCDDevice() {
    if (loaded_ && handle_ != 0)
        close_(handle_);
}

std::string TCDDevice::GetCDText(int track, int kind) const {
    if (!loaded_ || handle_ == 0 || !getCDText_)
        return {};
    std::int32_t length = 0;
    const char* text = getCDText_(handle_, track, kind & 0xFF, &length);
    return text ? std::string(text) : std::string();
}

QString GrabSpeedText(std::uint32_t bytesPerSecond) {
    return ui::FormatText(MultiLanguages::Text(IDS_LABEL_Status_CurrentReadSpeed),
                          {static_cast<long long>(bytesPerSecond / 1024)});
}

namespace {

struct SpeedTarget {
    std::mutex mutex;
    QPointer<QObject> context;
    std::function<void(const QString&)> show;
    std::atomic<std::uint32_t> latest{0};
    std::atomic<bool> posted{false};
};

SpeedTarget& Target() {
    static SpeedTarget target;
    return target;
}

void PostSpeed(std::uint32_t bytesPerSecond) {
    SpeedTarget& t = Target();
    t.latest = bytesPerSecond;
    // One queued call at a time: a fast library cannot flood the user-interface thread.
    if (t.posted.exchange(true))
        return;
    std::lock_guard lock(t.mutex);
    if (!t.context) {
        t.posted = false;
        return;
    }
    QMetaObject::invokeMethod(
        t.context.data(),
        [] {
            SpeedTarget& target = Target();
            target.posted = false;
            std::function<void(const QString&)> show;
            {
                std::lock_guard inner(target.mutex);
                show = target.show;
            }
            if (show)
                show(GrabSpeedText(target.latest));
        },
        Qt::QueuedConnection);
}

} // namespace

ScopedGrabSpeedTarget::ScopedGrabSpeedTarget(QObject* context,
                                             std::function<void(const QString&)> show) {
    SpeedTarget& t = Target();
    std::lock_guard lock(t.mutex);
    t.context = context;
    t.show = std::move(show);
    t.posted = false;
}

ScopedGrabSpeedTarget::~ScopedGrabSpeedTarget() {
    SpeedTarget& t = Target();
    std::lock_guard lock(t.mutex);
    t.context = nullptr;
    t.show = nullptr;
}

void GrabberMonitor(std::int32_t kind, float progress, std::int32_t result, std::int32_t,
                    std::uint32_t bytesPerSecond) {
    const double percent = std::floor(static_cast<double>(progress) * 100.0);
    GrabPercent = static_cast<int>(std::clamp(percent, 0.0, 100.0));
    PostSpeed(bytesPerSecond);
    if ((kind & 0xFF) == CDGRB_MONITOR_ENDED) {
        // The result before the flag: the waiting job reads them in the other order.
        GrabResult = result;
        GrabFinished = true;
    }
}
