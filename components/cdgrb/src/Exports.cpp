// The C entry points. Nothing may throw across them: every failure becomes a result code.
#include "Device.h"
#include "DriveLookup.h"
#include "Grabber.h"
#include "HandleTable.h"
#include "cdgrb/cdgrb.h"

#include <exception>

using namespace cdgrb;

namespace {

HandleTable<Grabber>& grabbers() {
    static HandleTable<Grabber> table;
    return table;
}

HandleTable<Device>& devices() {
    static HandleTable<Device> table;
    return table;
}

template <class F> std::int32_t guarded(F&& f) noexcept {
    try {
        return f();
    } catch (...) {
        return CDGRB_E_ARGUMENT;
    }
}

template <class F> std::int32_t withGrabber(std::int32_t handle, F&& f) noexcept {
    return guarded([&]() -> std::int32_t {
        const auto grabber = grabbers().find(handle);
        return grabber ? f(*grabber) : CDGRB_E_HANDLE;
    });
}

template <class F> std::int32_t withDevice(std::int32_t handle, F&& f) noexcept {
    return guarded([&]() -> std::int32_t {
        const auto device = devices().find(handle);
        return device ? f(*device) : CDGRB_E_HANDLE;
    });
}

} // namespace

extern "C" {

int32_t GrbCreateCDGrabber(void) {
    const std::int32_t id =
        guarded([] { return grabbers().add(std::make_shared<Grabber>(&lookupDrive)); });
    return id > 0 ? id : 0;
}

int32_t GrbSetCDLetter(int32_t grabber, int32_t letter) {
    return withGrabber(grabber, [&](Grabber& g) { return g.setLetter(letter); });
}

int32_t GrbSetEncoderOptions(int32_t grabber, int32_t format, const void* options, int32_t size) {
    return withGrabber(grabber,
                       [&](Grabber& g) { return g.setEncoderOptions(format, options, size); });
}

int32_t GrbSetMonitor(int32_t grabber, TGrbMonitorProc monitor) {
    return withGrabber(grabber, [&](Grabber& g) { return g.setMonitor(monitor); });
}

int32_t GrbRipTrack(int32_t grabber, int32_t trackIndex) {
    return withGrabber(grabber, [&](Grabber& g) { return g.ripTrack(trackIndex); });
}

int32_t GrbAbortRip(int32_t grabber) {
    return withGrabber(grabber, [&](Grabber& g) { return g.abortRip(); });
}

int32_t GrbCloseCDGrabber(int32_t grabber) {
    return guarded([&]() -> std::int32_t {
        // Closing stops a running rip first (the grabber's destructor waits for it).
        return grabbers().remove(grabber) ? CDGRB_OK : CDGRB_E_HANDLE;
    });
}

int32_t GrbSetReadOffset(int32_t grabber, int32_t samples) {
    return withGrabber(grabber, [&](Grabber& g) { return g.setReadOffset(samples); });
}

int32_t GrbGetTrackResult(int32_t grabber, TGrbTrackResult* result, int32_t size) {
    if (result == nullptr || size != static_cast<int32_t>(sizeof(TGrbTrackResult)))
        return CDGRB_E_ARGUMENT;
    return withGrabber(grabber, [&](Grabber& g) { return g.trackResult(*result); });
}

int32_t DevCreateCDDevice(int32_t letter) {
    const std::int32_t id = guarded([&]() -> std::int32_t {
        const char l = static_cast<char>(letter & 0xFF);
        const auto source = lookupDrive(l);
        if (!source)
            return 0;
        auto disc = Disc::open(*source);
        if (!disc)
            return 0;
        return devices().add(std::make_shared<Device>(l, std::move(*disc)));
    });
    return id > 0 ? id : 0;
}

int32_t DevGetLetter(int32_t device) {
    return withDevice(device, [](Device& d) { return static_cast<unsigned char>(d.letter()); });
}

int32_t DevGetSessionsCount(int32_t device) {
    return withDevice(device, [](Device& d) { return d.sessionsCount(); });
}

int32_t DevGetVolumeName(int32_t device, char* buffer32) {
    return withDevice(device, [&](Device& d) {
        d.volumeName(buffer32);
        return CDGRB_OK;
    });
}

int32_t DevGetFileSystemName(int32_t device, char* buffer32) {
    return withDevice(device, [&](Device& d) {
        d.fileSystemName(buffer32);
        return CDGRB_OK;
    });
}

int32_t DevGetTracksCount(int32_t device) {
    return withDevice(device, [](Device& d) { return d.tracksCount(); });
}

int32_t DevGetTrack(int32_t device, int32_t trackNumber, TGrbTrackInfo* info) {
    return withDevice(device, [&](Device& d) { return d.track(trackNumber, info); });
}

const char* DevGetCDText(int32_t device, int32_t track, int32_t kind, int32_t* length) {
    try {
        const auto d = devices().find(device);
        return d ? d->cdText(track, kind & 0xFF, length) : nullptr;
    } catch (...) {
        return nullptr;
    }
}

int32_t DevCloseCDDevice(int32_t device) {
    return guarded(
        [&]() -> std::int32_t { return devices().remove(device) ? CDGRB_OK : CDGRB_E_HANDLE; });
}

} // extern "C"
