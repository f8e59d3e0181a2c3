#pragma once

#include "Disc.h"
#include "cdgrb/cdgrb.h"

#include <map>
#include <mutex>
#include <string>
#include <utility>

// A medium opened for queries: track list, names, CD-Text. Texts handed out stay valid as long
// as the device lives.
namespace cdgrb {

class Device {
public:
    Device(char letter, Disc disc) : letter_(letter), disc_(std::move(disc)) {}

    char letter() const { return letter_; }
    int sessionsCount() const;
    int tracksCount() const { return static_cast<int>(disc_.tracks().size()); }
    void volumeName(char* buffer32) const;
    void fileSystemName(char* buffer32) const;
    int track(int number, TGrbTrackInfo* info) const;
    const char* cdText(int track, int kind, std::int32_t* length);

private:
    char letter_;
    Disc disc_;
    std::mutex mutex_;
    std::map<std::pair<int, int>, std::string> texts_;
};

} // namespace cdgrb
