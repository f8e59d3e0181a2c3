#include "PreviewDisc.h"

#include "jobs/RipTestSupport.h"

#include <fstream>
#include <random>

namespace fs = std::filesystem;

PreviewDisc::PreviewDisc(std::vector<std::int32_t> trackFrames) {
    store_.AddReader("1-reader");
    discengine::MediumState medium = TestStore::PressedAudioCD(1, 1);
    std::int32_t start = 0;
    medium.tracks.clear();
    for (auto frames : trackFrames) {
        medium.tracks.push_back(TestStore::AudioTracks(1, frames, start)[0]);
        start += frames;
    }
    medium.capacity = start;
    store_.LoadMedium('D', medium);
    folder_ = store_.Store().FolderOf('D');
    std::mt19937 noise(20261210);
    std::vector<char> bytes(static_cast<std::size_t>(fs::file_size(Bin())));
    for (auto& b : bytes)
        b = static_cast<char>(noise() & 0xFF);
    std::ofstream(Bin(), std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

fs::path PreviewDisc::Cue() const {
    return folder_ / "disc.cue";
}

fs::path PreviewDisc::Bin() const {
    return folder_ / "disc.bin";
}

std::string PreviewDisc::TrackPcm(int track) const {
    return ReadTrackPcm(Cue(), track);
}
