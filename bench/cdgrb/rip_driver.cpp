// platterly_bench_cdgrb setup STORE         creates a drive store whose drive D holds the sample
//                                           audio CD; prints the cue sheet's path
// platterly_bench_cdgrb rip LIB STORE MODE OUT
//                                           rips every audio track of drive D through LIB into
//                                           OUT (MODE: wav, mp3cbr = 192 kbit/s, mp3vbr = V5;
//                                           MPEG quality Normal, stereo; flac5 = FLAC level 5
//                                           with a TITLE comment); prints the seconds
#include "cdgrb/cdgrb.h"

#include <discengine/VirtualStore.h>

#include <dlfcn.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <mutex>
#include <string>

namespace fs = std::filesystem;

namespace {

std::mutex gMutex;
std::condition_variable gCv;
bool gEnded = false;
int gResult = 0;

void monitor(int32_t kind, float, int32_t result, int32_t, uint32_t) {
    if (kind != CDGRB_MONITOR_ENDED)
        return;
    std::lock_guard lock(gMutex);
    gEnded = true;
    gResult = result;
    gCv.notify_all();
}

template <class F> F symbol(void* lib, const char* name) {
    void* p = dlsym(lib, name);
    if (!p) {
        std::cerr << "missing entry point " << name << "\n";
        std::exit(2);
    }
    return reinterpret_cast<F>(p);
}

int setup(const fs::path& store) {
    discengine::VirtualStore s(store);
    s.AddDrive("1-reader", discengine::DriveConfig{});
    s.InsertSampleAudio('D');
    for (const auto& e : fs::directory_iterator(s.FolderOf('D'))) {
        if (e.path().extension() == ".cue") {
            std::cout << e.path().string() << "\n";
            return 0;
        }
    }
    std::cerr << "the sample disc has no cue sheet\n";
    return 1;
}

void fill(const std::string& mode, const fs::path& file, TGrbMp3Options& mp3, TGrbWavOptions& wav) {
    std::memset(&mp3, 0, sizeof mp3);
    std::memset(&wav, 0, sizeof wav);
    std::snprintf(wav.OutputPath, sizeof wav.OutputPath, "%s", file.c_str());
    std::snprintf(mp3.OutputPath, sizeof mp3.OutputPath, "%s", file.c_str());
    std::memcpy(mp3.Year, "2024", 4);
    std::snprintf(mp3.Title, sizeof mp3.Title, "%s", file.stem().c_str());
    mp3.Genre = 12;
    mp3.Bitrate = 192;
    mp3.VbrMaxBitrate = 320;
    mp3.VbrQuality = 5;
    mp3.EnableVbr = mode == "mp3vbr" ? -1 : 0;
    mp3.WriteVbrHeader = -1;
    mp3.WriteId3v1 = -1;
}

int rip(const char* libPath, const fs::path& store, const std::string& mode, const fs::path& out) {
    setenv("PLATTERLY_DRIVES", store.c_str(), 1);
    void* lib = dlopen(libPath, RTLD_NOW | RTLD_LOCAL);
    if (!lib) {
        std::cerr << dlerror() << "\n";
        return 2;
    }
    auto createGrabber = symbol<int32_t (*)()>(lib, "GrbCreateCDGrabber");
    auto setLetter = symbol<int32_t (*)(int32_t, int32_t)>(lib, "GrbSetCDLetter");
    auto setOptions =
        symbol<int32_t (*)(int32_t, int32_t, const void*, int32_t)>(lib, "GrbSetEncoderOptions");
    auto setMonitor = symbol<int32_t (*)(int32_t, TGrbMonitorProc)>(lib, "GrbSetMonitor");
    auto ripTrack = symbol<int32_t (*)(int32_t, int32_t)>(lib, "GrbRipTrack");
    auto closeGrabber = symbol<int32_t (*)(int32_t)>(lib, "GrbCloseCDGrabber");
    auto createDevice = symbol<int32_t (*)(int32_t)>(lib, "DevCreateCDDevice");
    auto tracksCount = symbol<int32_t (*)(int32_t)>(lib, "DevGetTracksCount");
    auto closeDevice = symbol<int32_t (*)(int32_t)>(lib, "DevCloseCDDevice");

    const int32_t device = createDevice('D');
    const int tracks = device ? tracksCount(device) : 0;
    closeDevice(device);
    if (tracks <= 0) {
        std::cerr << "no tracks in drive D\n";
        return 1;
    }
    const auto start = std::chrono::steady_clock::now();
    const int32_t grabber = createGrabber();
    setLetter(grabber, 'D');
    setMonitor(grabber, monitor);
    for (int i = 0; i < tracks; ++i) {
        char name[32];
        const char* extension = mode == "wav" ? "wav" : mode == "flac5" ? "flac" : "mp3";
        std::snprintf(name, sizeof name, "Track%02d.%s", i + 1, extension);
        TGrbMp3Options mp3;
        TGrbWavOptions wav;
        fill(mode, out / name, mp3, wav);
        const std::string title = "Track" + std::to_string(i + 1);
        const TGrbComment comment{"TITLE", title.c_str()};
        TGrbFlacOptions flac{};
        flac.CompressionLevel = 5;
        flac.CommentCount = 1;
        flac.Comments = &comment;
        std::snprintf(flac.OutputPath, sizeof flac.OutputPath, "%s", (out / name).c_str());
        if (mode == "wav")
            setOptions(grabber, CDGRB_FORMAT_WAV, &wav, sizeof wav);
        else if (mode == "flac5")
            setOptions(grabber, CDGRB_FORMAT_FLAC, &flac, sizeof flac);
        else
            setOptions(grabber, CDGRB_FORMAT_MP3, &mp3, sizeof mp3);
        gEnded = false;
        const int32_t rc = ripTrack(grabber, i);
        if (rc < 0) {
            std::cerr << "track " << i + 1 << " did not start: " << rc << "\n";
            return 1;
        }
        std::unique_lock lock(gMutex);
        gCv.wait(lock, [] { return gEnded; });
        if (gResult != CDGRB_OK) {
            std::cerr << "track " << i + 1 << " failed: " << gResult << "\n";
            return 1;
        }
    }
    closeGrabber(grabber);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%.3f\n", seconds);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "setup")
        return setup(argv[2]);
    if (argc == 6 && std::string(argv[1]) == "rip")
        return rip(argv[2], argv[3], argv[4], argv[5]);
    std::cerr << "usage: " << argv[0]
              << " setup STORE | rip LIB STORE wav|mp3cbr|mp3vbr|flac5 OUT\n";
    return 2;
}
