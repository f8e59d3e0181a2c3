// The embedded default store, made on the first start when the store folder does not exist.
// Each entry is one drive: its folder name (which decides its letter) and how to build it.
#include "StoreFiles.h"
#include "discengine/Disc.h"
#include "discengine/Errors.h"
#include "discengine/VirtualStore.h"

#include <functional>

namespace fs = std::filesystem;

namespace discengine {
namespace {

struct DefaultDrive {
    const char* folder;
    std::function<void(const VirtualStore&, char letter)> build;
};

DriveConfig Reader() {
    DriveConfig c;
    c.product = "Virtual DVD-ROM";
    c.writer = false;
    c.capabilities = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    c.maxReadSpeed = 16 * kDVDSpeed1x;
    c.bufferSize = 512;
    return c;
}

DriveConfig Recorder() {
    DriveConfig c;
    c.product = "Virtual DVD-RW Recorder";
    c.writer = true;
    c.capabilities = {0,
                      1,
                      2,
                      3,
                      4,
                      5,
                      6,
                      7,
                      8,
                      9,
                      16,
                      17,
                      18,
                      19,
                      20,
                      22,
                      23,
                      24,
                      25,
                      kCapTestWrite,
                      kCapBufferProtect};
    c.maxReadSpeed = 48 * kCDSpeed1x;
    c.maxWriteSpeed = 48 * kCDSpeed1x;
    c.cdWriteSpeeds = {48 * kCDSpeed1x, 32 * kCDSpeed1x, 24 * kCDSpeed1x, 16 * kCDSpeed1x,
                       4 * kCDSpeed1x};
    c.dvdWriteSpeeds = {16 * kDVDSpeed1x, 8 * kDVDSpeed1x, 4 * kDVDSpeed1x};
    c.bufferSize = 2048;
    return c;
}

const DefaultDrive kDefaultDrives[] = {
    {"D",
     [](const VirtualStore& store, char letter) {
         store.AddDrive("D", Reader());
         store.InsertSampleAudio(letter);
     }},
    {"E",
     [](const VirtualStore& store, char letter) {
         store.AddDrive("E", Recorder());
         store.InsertBlank(letter, kMediaCDRW, kBlocksCD80);
     }},
    {"F",
     [](const VirtualStore& store, char letter) {
         store.AddDrive("F", Recorder());
         store.InsertSampleData(letter);
     }},
};

} // namespace

void CreateDefaultStore(const fs::path& root) {
    // Built beside the target and renamed into place, so a half-made store is never used.
    fs::path staging = root;
    staging += ".creating";
    std::error_code ec;
    fs::remove_all(staging, ec);
    fs::create_directories(staging, ec);
    if (ec)
        throw EngineError("Cannot create the drive store " + root.string() + ": " + ec.message());
    try {
        VirtualStore store(staging);
        char letter = 'D';
        for (const auto& drive : kDefaultDrives)
            drive.build(store, letter++);
    } catch (...) {
        fs::remove_all(staging, ec);
        throw;
    }
    fs::rename(staging, root, ec);
    if (ec) {
        fs::remove_all(staging, ec);
        if (!fs::is_directory(root)) // another process may have made it first
            throw EngineError("Cannot create the drive store " + root.string());
    }
}

} // namespace discengine
